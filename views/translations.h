#pragma once

#include <QLocale>
#include <QTranslator>

#include <memory>

class QCoreApplication;

// The translations of the agent's texts, built into the program.
namespace Translations {

// The translator for `locale`; null when there is no translation for it.
std::unique_ptr<QTranslator> load(const QLocale& locale);
// Installs the translator for the user's locale on `application`, which keeps it; does nothing
// when there is none.
void install(QCoreApplication& application);

}  // namespace Translations
