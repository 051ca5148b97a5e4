// The line queue under arbitrary pushes, pops and look-ups over a small set of lines: it agrees
// with a deque on every answer, through table growths, reclaims and emptying.

#include "agent/compactlinequeue.h"
#include "fuzzsupport.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>

// Each byte is one step: the low two bits pick push (0, 1), pop (2) or a walk over the queue in
// order (3), the rest picks the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CompactLineQueue queue;
    std::deque<std::string> model;
    std::size_t bytes = 0;
    // 64 lines: pairs that differ only in a trailing '\r', some with a NUL and bytes above 0x7F.
    const auto lineOf = [](unsigned n) {
        std::string line = "/t/" + std::to_string(n / 4) + ((n & 1) != 0 ? "\r" : "");
        return (n & 2) != 0 ? line.insert(1, "\xC3\xA9\0\xFF", 4) : line;
    };
    for (std::size_t step = 0; step < size; ++step) {
        const unsigned op = data[step] & 3;
        const std::string line = lineOf(data[step] >> 2);
        const bool queued = std::ranges::find(model, line) != model.end();
        FUZZ_CHECK(queue.contains(line) == queued && !queue.contains(line + "x"));
        if (op < 2 && !queued) {
            queue.pushBack(line);
            model.push_back(line);
            bytes += line.size();
        } else if (op == 2 && !model.empty()) {
            FUZZ_CHECK(queue.popFront() == model.front() && !queue.contains(model.front()));
            bytes -= model.front().size();
            model.pop_front();
        } else if (op == 3) {
            FUZZ_CHECK(std::ranges::all_of(model, [&](auto& l) { return queue.contains(l); }));
        }
        FUZZ_CHECK(queue.size() == model.size() && queue.byteSize() == bytes);
        for (std::size_t i = 0; i < model.size(); ++i) {
            FUZZ_CHECK(queue.at(i) == model[i]);
        }
    }
    return 0;
}
