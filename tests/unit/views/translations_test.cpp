#include "views/translations.h"
#include "fakes/agentfixture.h"
#include "views/hovertooltipview.h"
#include "views/popoveractionbutton.h"
#include "views/popovertext.h"
#include "views/qtpopoverviewfactory.h"
#include "views/realtimeprotectionview.h"
#include "views/usbprotectionview.h"
#include "platform/desktop/widgetpopovercontent.h"

#include <QCoreApplication>

namespace {

class TranslationsTest : public AgentFixture {
protected:
    void SetUp() override { start(); }
    void TearDown() override {
        if (translator) {
            QCoreApplication::removeTranslator(translator.get());
        }
    }

    // Every text a person reads on the view: lines, buttons and its window title.
    static QStringList textsOf(const QWidget& view) {
        QStringList texts{view.windowTitle()};
        for (const auto* text : view.findChildren<PopoverText*>()) {
            texts << text->text();
        }
        for (const auto* button : view.findChildren<PopoverActionButton*>()) {
            texts << button->title();
        }
        return texts;
    }

    std::unique_ptr<QTranslator> translator;
};

}  // namespace

TEST_F(TranslationsTest, germanCoversEveryTextButLeavesValuesAndTooltipsAlone) {
    EXPECT_EQ(Translations::load(QLocale(QLocale::Japanese, QLocale::Japan)), nullptr);
    QtPopoverViewFactory factory;
    const auto englishThreat = factory.makeRealTimeProtectionView(
        {*manager, manager->selectedView().binding(), Binding<std::int64_t>::constant(0), [] {}});
    const auto englishUsb = factory.makeUsbProtectionView(
        {*manager, "SanDisk", manager->selectedView().binding(), [] {}});
    auto* const englishThreatView = dynamic_cast<WidgetPopoverContent&>(*englishThreat).widget();
    auto* const englishUsbView = dynamic_cast<WidgetPopoverContent&>(*englishUsb).widget();
    ASSERT_NE(qobject_cast<RealTimeProtectionView*>(englishThreatView), nullptr);
    ASSERT_NE(qobject_cast<UsbProtectionView*>(englishUsbView), nullptr);
    const QStringList english = textsOf(*englishThreatView) + textsOf(*englishUsbView);

    translator = Translations::load(QLocale(QLocale::German, QLocale::Austria));
    ASSERT_NE(translator, nullptr) << "falls back from de_AT to de";
    QCoreApplication::installTranslator(translator.get());
    const RealTimeProtectionView threatView(
        {*manager, manager->selectedView().binding(), Binding<std::int64_t>::constant(0), [] {}});
    const UsbProtectionView usbView(
        {*manager, "SanDisk", manager->selectedView().binding(), [] {}});
    const QStringList german = textsOf(threatView) + textsOf(usbView);
    ASSERT_EQ(german.size(), english.size());
    for (qsizetype i = 0; i < german.size(); ++i) {
        EXPECT_NE(german[i], english[i]) << "untranslated: " << english[i].toStdString();
    }
    EXPECT_TRUE(german.contains(QString::fromUtf8("Schließen")));
    EXPECT_TRUE(german.contains(QStringLiteral("USB-Info: SanDisk"))) << "the value as received";
    for (const auto* button : threatView.findChildren<PopoverActionButton*>()) {
        EXPECT_GT(button->sizeHint().width(),
                  button->fontMetrics().horizontalAdvance(button->title()))
            << "the German title fits its button";
    }

    manager->addDetectedThreat(Threat::fromReportLine("/tmp/Quarantine.pkg"));
    const auto* itemLine = threatView.findChild<PopoverText*>(QStringLiteral("itemNameLine"));
    EXPECT_EQ(itemLine->text(), "Objektname: Quarantine.pkg");
    EXPECT_EQ(threatView.findChild<PopoverText*>(QStringLiteral("statusLine"))->text(),
              "Status: Quarantine")
        << "values are not translated";
    EXPECT_EQ(qobject_cast<HoverTooltipView*>(itemLine->parentWidget())->tooltip(),
              "Quarantine.pkg");
}
