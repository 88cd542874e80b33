#pragma once

#include <QString>
#include <QUrl>

// The addresses the about window shows and opens, in one place. Kestrix has no domain of its
// own yet: the web site and the contact stay on the reserved kestrix.example domain, and the
// product page is the local HTML help, which always opens something real.
namespace KestrixAddresses {

QUrl WebSite();
QString ContactAddress();
QUrl ContactLink();  // the "mailto:" link to ContactAddress()
// The help file "./Aide/HTML/Index.htm" as a file: address, at an anchor when one is given.
QUrl HtmlHelp(const QString& anchor = QString());
QUrl ProductPage();

}  // namespace KestrixAddresses
