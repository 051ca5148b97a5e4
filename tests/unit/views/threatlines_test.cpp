#include "views/threatlines.h"

#include <gtest/gtest.h>

using Face = ThreatLine::Face;

TEST(ThreatLines, nothingWaitingShowsThePlaceholdersWithoutTooltips) {
    const auto lines = ThreatLines::forThreat(nullptr);
    const char* const expected[] = {"Item name: No Item.", "Threat name: Not Infected.",
                                    "Location: None.", "Status: None."};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, QString::fromUtf8(expected[i]));
        EXPECT_EQ(lines[i].face, Face::InterSemiBold) << i;
        EXPECT_FALSE(lines[i].singleLineElided) << i;
        EXPECT_FALSE(lines[i].tooltip) << i;
    }
}

TEST(ThreatLines, showTheRecordWithItsFullValuesAsTooltips) {
    const Threat threat = Threat::fromReportLine("/Users/ann/Downloads/first.pkg");
    const auto lines = ThreatLines::forThreat(&threat);
    EXPECT_EQ(lines[0].text, "Item name: first.pkg");
    EXPECT_TRUE(lines[0].singleLineElided);
    EXPECT_EQ(lines[0].tooltip, "first.pkg") << "the value alone, without its label";
    EXPECT_EQ(lines[1].text, "Threat name: Infected");
    EXPECT_EQ(lines[1].face, Face::SystemSemiBold);
    EXPECT_FALSE(lines[1].singleLineElided);
    EXPECT_FALSE(lines[1].tooltip);
    EXPECT_EQ(lines[2].text, "Location: /Users/ann/Downloads/first.pkg");
    EXPECT_TRUE(lines[2].singleLineElided);
    EXPECT_EQ(lines[2].tooltip, "/Users/ann/Downloads/first.pkg");
    EXPECT_EQ(lines[3].text, "Status: Quarantine");
    EXPECT_EQ(lines[3].face, Face::InterSemiBold);
    EXPECT_FALSE(lines[3].tooltip);
}

TEST(ThreatLines, valuesAreInsertedVerbatim) {
    const Threat threat{QUuid::createUuid(), "a%1b%2 <b>&amp;</b>", "%1", "/tmp/ü\r", "%L1"};
    const auto lines = ThreatLines::forThreat(&threat);
    EXPECT_EQ(lines[0].text, "Item name: a%1b%2 <b>&amp;</b>");
    EXPECT_EQ(lines[0].tooltip, "a%1b%2 <b>&amp;</b>");
    EXPECT_EQ(lines[1].text, "Threat name: %1");
    EXPECT_EQ(lines[2].text, QString::fromUtf8("Location: /tmp/ü\r"));
    EXPECT_EQ(lines[3].text, "Status: %L1");
}
