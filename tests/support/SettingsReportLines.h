#pragma once

#include <QString>
#include <QStringList>

// The report lines that reading and writing the settings give for the shipped Kestrix.ini.

// " - Paramètres généraux et d'affichage" and the texture and block-size lines.
QStringList DisplayLines(const QString& texture = QStringLiteral("Oui"));

// Every line that reading the shipped settings writes, with the report number shown.
QStringList DefaultReadLines(const QString& number);

// The opening of the settings-writing section.
QStringList WriteOpening();

// The whole settings-writing section: each setting's status ("Enregistré" for all when empty)
// and each flag ("Oui" for all when empty).
QStringList WriteLines(const QString& number, const QStringList& status = {},
                       const QStringList& flags = {});
