#include "agent/compactlinequeue.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <unordered_set>

namespace {

// Neighbours differ only in a trailing '\r'; others carry bytes above 0x7F or a NUL.
std::string poolLine(std::size_t n) {
    std::string line = "/q/" + std::to_string(n / 2);
    if (n % 5 == 0) {
        line += static_cast<char>(0x80 + n % 128);
        line += "\xFF";
    }
    if (n % 7 == 0) {
        line += std::string(1, '\0') + "x";
    }
    return n % 2 == 0 ? line : line + "\r";
}

}  // namespace

// Phases that mostly push and mostly pop take the queue through table growths, reclaims of the
// popped part and back to empty, while every answer is held against a plain deque and set.
TEST(CompactLineQueue, agreesWithAModelOverRandomPushesPopsAndLookUps) {
    constexpr std::size_t kPool = 1000000;
    std::mt19937 random(20240611);
    CompactLineQueue queue;
    std::deque<std::string> order;
    std::unordered_set<std::string> members;
    std::size_t bytes = 0;
    std::size_t largest = 0;

    for (int op = 0; op < 200000; ++op) {
        const bool filling = (op / 20000) % 2 == 0;
        const auto roll = random() % 100;
        const std::string line = poolLine(random() % kPool);
        if (roll < (filling ? 75U : 10U)) {
            ASSERT_EQ(queue.contains(line), members.contains(line)) << op;
            if (!members.contains(line)) {
                queue.pushBack(line);
                order.push_back(line);
                members.insert(line);
                bytes += line.size();
            }
        } else if (roll < 90 && !order.empty()) {
            ASSERT_EQ(queue.popFront(), order.front()) << op;
            ASSERT_FALSE(queue.contains(order.front())) << op;
            members.erase(order.front());
            bytes -= order.front().size();
            order.pop_front();
        } else {
            ASSERT_EQ(queue.contains(line), members.contains(line)) << op;
            ASSERT_FALSE(queue.contains(line + "~")) << op;
            ASSERT_FALSE(queue.contains(line.substr(1))) << op;
        }
        ASSERT_EQ(queue.size(), order.size()) << op;
        ASSERT_EQ(queue.byteSize(), bytes) << op;
        if (!order.empty()) {
            const std::size_t index = random() % order.size();
            ASSERT_EQ(queue.front(), order.front()) << op;
            ASSERT_EQ(queue.at(index), order[index]) << op;
        }
        largest = std::max(largest, order.size());

        if (op % 5000 == 0) {
            // The walk the agent makes every second: the queue in order, with strangers between.
            for (std::size_t i = 0; i < order.size(); ++i) {
                ASSERT_TRUE(queue.contains(order[i])) << op << " " << i;
                ASSERT_FALSE(queue.contains(order[i] + "\n")) << op << " " << i;
            }
        }
    }
    EXPECT_GT(largest, 10000U) << "the table must have grown through many sizes";
}
