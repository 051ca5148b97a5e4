#include "agent/threat.h"
#include "agent/observable.h"

#include <gtest/gtest.h>

TEST(Threat, isBuiltFromAReportLine) {
    const Threat threat = Threat::fromReportLine("/Users/ann/Downloads/setup.pkg");
    EXPECT_EQ(threat.itemName, "setup.pkg");
    EXPECT_EQ(threat.threatName, "Infected");
    EXPECT_EQ(threat.location, "/Users/ann/Downloads/setup.pkg");
    EXPECT_EQ(threat.status, "Quarantine");
    EXPECT_FALSE(threat.id.isNull());
    EXPECT_NE(threat.id, Threat::fromReportLine("/Users/ann/Downloads/setup.pkg").id)
        << "every record has an identity of its own";
}

TEST(Threat, itemNameIsTheLastPathComponent) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/Users/ann/Library/", "Library"}, {"/a/b//", "b"}, {"no-slash.dmg", "no-slash.dmg"},
        {"/a/evil.app\r", "evil.app\r"},    {"/", "/"},      {"///", "/"},
        {"relative/x y.zip", "x y.zip"},    {" ", " "},
    };
    for (const auto& [line, name] : cases) {
        EXPECT_EQ(lastPathComponent(line), name) << line;
    }
}

TEST(Observable, publishedAssignmentAnnouncesBeforeTheStore) {
    ChangeSignal signal;
    Published<int> count(signal, 0);
    std::vector<int> seen;
    const auto subscription = signal.subscribe([&] { seen.push_back(count.get()); });
    count = 3;
    count = 3;
    EXPECT_EQ(seen, (std::vector<int>{0, 3})) << "same value announces again";

    signal.unsubscribe(subscription);
    count = 4;
    EXPECT_EQ(seen.size(), 2U);

    StateCell<std::string> cell("StatusDashboard");
    auto binding = cell.binding();
    binding.set("Elsewhere");
    EXPECT_EQ(cell.get(), "Elsewhere");
    EXPECT_EQ(Binding<int>::constant(5).get(), 5);
}
