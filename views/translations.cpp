#include "views/translations.h"

#include <QCoreApplication>

std::unique_ptr<QTranslator> Translations::load(const QLocale& locale) {
    auto translator = std::make_unique<QTranslator>();
    // Looks for helper_<language>[_<country>].qm, most specific first, e.g. helper_de.qm.
    if (!translator->load(locale, QStringLiteral("helper"), QStringLiteral("_"),
                          QStringLiteral(":/i18n"))) {
        return nullptr;
    }
    return translator;
}

void Translations::install(QCoreApplication& application) {
    auto translator = load(QLocale::system());
    if (!translator) {
        return;
    }
    translator->setParent(&application);
    QCoreApplication::installTranslator(translator.release());
}
