#include "wizard/KestrixAddresses.h"

#include <QFileInfo>

namespace KestrixAddresses {

QUrl WebSite() {
    return QUrl(QStringLiteral("https://www.kestrix.example/"));
}

QString ContactAddress() {
    return QStringLiteral("contact@kestrix.example");
}

QUrl ContactLink() {
    return QUrl(QStringLiteral("mailto:") + ContactAddress());
}

QUrl HtmlHelp(const QString& anchor) {
    // Relative to the program folder, the working directory.
    QUrl url =
        QUrl::fromLocalFile(QFileInfo(QStringLiteral("./Aide/HTML/Index.htm")).absoluteFilePath());
    if (!anchor.isEmpty()) {
        url.setFragment(anchor);
    }
    return url;
}

QUrl ProductPage() {
    return HtmlHelp();
}

}  // namespace KestrixAddresses
