// The line queue under arbitrary pushes, pops and look-ups over a small set of lines: it agrees
// with a deque and a set on every answer, through table growths, reclaims and emptying.

#include "fuzzsupport.h"
#include "agent/compactlinequeue.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>

namespace {

// 64 lines: pairs that differ only in a trailing '\r', some with a NUL and bytes above 0x7F.
std::string alphabetLine(unsigned n) {
    std::string line = "/t/" + std::to_string(n / 4);
    if ((n & 1) != 0) {
        line += '\r';
    }
    if ((n & 2) != 0) {
        line.insert(1, "\xC3\xA9\0\xFF", 4);
    }
    return line;
}

}  // namespace

// Each byte is one step: the low two bits pick push, pop or look-up, the rest picks the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CompactLineQueue queue;
    std::deque<std::string> order;
    std::unordered_set<std::string> members;
    std::size_t bytes = 0;
    for (std::size_t step = 0; step < size; ++step) {
        const unsigned op = data[step] & 3;
        const std::string line = alphabetLine(data[step] >> 2);
        if (op < 2) {
            FUZZ_CHECK(queue.contains(line) == members.contains(line));
            if (members.insert(line).second) {
                queue.pushBack(line);
                order.push_back(line);
                bytes += line.size();
            }
        } else if (op == 2 && !order.empty()) {
            FUZZ_CHECK(queue.popFront() == order.front());
            FUZZ_CHECK(!queue.contains(order.front()));
            members.erase(order.front());
            bytes -= order.front().size();
            order.pop_front();
        } else {
            for (const auto& queued : order) {
                FUZZ_CHECK(queue.contains(queued));
            }
            FUZZ_CHECK(queue.contains(line) == members.contains(line));
            FUZZ_CHECK(!queue.contains(line + "x"));
        }
        FUZZ_CHECK(queue.size() == order.size() && queue.byteSize() == bytes);
        for (std::size_t i = 0; i < order.size(); ++i) {
            FUZZ_CHECK(queue.at(i) == order[i]);
        }
    }
    return 0;
}
