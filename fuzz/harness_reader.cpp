#include "fuzz/harness_reader.h"

#include <cstdio>
#include <string>

#include "bvh/Reader.h"

namespace bvhfuzz {

namespace readercheck {

/// What one read told, as text, or a problem.
struct Told {
    std::string text;
    std::string problem;
};

std::string checkTable(const bvh::HierarchyTable& table) {
    if (table.nodes.size() > bvh::kMaxNodes) return "more nodes than the limit";
    std::size_t channel = 0;
    for (std::size_t k = 0; k < table.nodes.size(); ++k) {
        const bvh::TableNode& node = table.nodes[k];
        if (node.parent >= static_cast<long long>(k) || node.parent < -1)
            return "node " + std::to_string(k) + " has a parent that does not come before it";
        if (node.endSite && node.parent < 0) return "an end site without a parent";
        if (node.firstChannel != channel && node.channelCount != 0)
            return "node " + std::to_string(k) + "'s channels do not follow the ones before";
        if (node.firstChannel < channel) return "channels of two nodes overlap";
        for (std::size_t c = node.firstChannel; c < node.firstChannel + node.channelCount; ++c) {
            if (c >= table.channels.size()) return "a node's channels run past the table";
            if (table.channels[c].node != k) return "a channel of another node in a node's range";
            if (table.channels[c].kind < -1 || table.channels[c].kind > 5)
                return "a channel kind out of range";
        }
        channel = node.firstChannel + node.channelCount;
    }
    if (channel != table.channels.size()) return "channels that belong to no node's range";
    return {};
}

Told read(std::FILE* file, std::size_t rowLimit) {
    std::rewind(file);
    bvh::Reader reader;
    reader.attach(file);
    if (rowLimit != 0) reader.setRowLimit(rowLimit - 1);
    Told told;
    for (;;) {
        const bvh::Reader::Step step = reader.next();
        for (const bvh::ReadMessage& m : reader.takeMessages()) {
            if (m.line == 0 || m.line > reader.lineNumber()) told.problem = "a message off the lines read";
            if (m.error != (step == bvh::Reader::Step::kError))
                told.problem = "an error without the reading stopping, or the other way round";
            told.text += std::to_string(m.line) + (m.error ? " error: " : " warning: ") + m.text + "\n";
        }
        if (step == bvh::Reader::Step::kFrame) {
            if (reader.row().size() > reader.rowLimit()) told.problem = "a row beyond its limit";
            told.text += "frame " + std::to_string(reader.row().size()) + "\n";
        }
        if (step == bvh::Reader::Step::kEnd || step == bvh::Reader::Step::kError) {
            if (reader.next() != step) told.problem = "reading went on after its end";
            break;
        }
    }
    if (told.problem.empty()) told.problem = checkTable(reader.table());
    told.text += std::to_string(reader.table().nodes.size()) + " nodes, " +
                 std::to_string(reader.table().channels.size()) + " channels\n";
    return told;
}

}  // namespace readercheck

std::string runReaderInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return "no scratch file";
    if (size != 0 && std::fwrite(data, 1, size, file) != size) {
        std::fclose(file);
        return "the scratch file could not be written";
    }
    const std::size_t limit = size == 0 ? 0 : data[0] % 8;
    const readercheck::Told all = readercheck::read(file, 0);
    const readercheck::Told limited = readercheck::read(file, limit);
    const readercheck::Told again = readercheck::read(file, 0);
    std::fclose(file);
    if (!all.problem.empty()) return all.problem;
    if (!limited.problem.empty()) return limited.problem;
    if (again.text != all.text) return "the same bytes read differently";
    return {};
}

}  // namespace bvhfuzz
