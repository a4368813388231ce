#pragma once
// Pieces shared by the fuzz harnesses: a scratch file that holds one input at a time, a
// reader that turns input bytes into bounded choices, and scene counting. Header-only, so
// that the fuzz targets and the regression test can both include the harnesses.

#include <maya/MAnimUtil.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObject.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MSelectionList.h>
#include <maya/MVector.h>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standin/Standin.h"

namespace bvhfuzz {

/// This process's id, for names of its own in shared folders.
inline long processId() {
#ifdef _WIN32
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

/// One in-memory file that is rewritten for every input and read through a path, as the
/// translators read and write files. Falls back to a file in the temporary folder where
/// anonymous memory files are not available.
class ScratchFile {
public:
    ScratchFile() {
#if defined(__linux__)
        fd_ = static_cast<int>(::memfd_create("bvhfuzz", 0));
#endif
        if (fd_ >= 0) {
            path_ = "/proc/self/fd/" + std::to_string(fd_);
        } else {
            path_ = (std::filesystem::temp_directory_path() /
                     ("bvhfuzz-" + std::to_string(processId()) + ".bvh"))
                        .string();
        }
    }
    ~ScratchFile() {
#if defined(__linux__)
        if (fd_ >= 0) {
            ::close(fd_);
            return;
        }
#endif
        std::remove(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    /// Replaces the contents with `bytes`; false when that failed.
    bool write(std::string_view bytes) {
#if defined(__linux__)
        if (fd_ >= 0) {
            if (::ftruncate(fd_, 0) != 0) return false;
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                           static_cast<off_t>(done));
                if (n <= 0) return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        }
#endif
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

/// Draws bounded choices from input bytes, from the front or (for a second, independent
/// stream of choices from the same input) from the back; once the bytes are used up every
/// draw gives 0.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size, bool fromBack = false)
        : data_(data), size_(size), fromBack_(fromBack) {}
    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() {
        if (pos_ >= size_) return 0;
        const std::size_t at = fromBack_ ? size_ - 1 - pos_ : pos_;
        ++pos_;
        return data_[at];
    }
    /// A value in [0, bound) (0 when bound is 0).
    unsigned below(unsigned bound) {
        if (bound <= 1) return 0;
        unsigned v = byte();
        if (bound > 256) v = (v << 8) | byte();
        return v % bound;
    }
    /// An integer in [lo, hi].
    int range(int lo, int hi) {
        return lo + static_cast<int>(below(static_cast<unsigned>(hi - lo + 1)));
    }
    bool flag() { return (byte() & 1) != 0; }
    template <typename T, std::size_t N>
    const T& pick(const T (&table)[N]) {
        return table[below(static_cast<unsigned>(N))];
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool fromBack_;
    std::size_t pos_ = 0;
};

/// Processor time one translator call may use before the harness reports it as a hang; 0 (the
/// default, as in the replay test) sets no limit. The fuzz targets set it, since one input
/// makes several calls and libFuzzer's own limit covers them all together.
inline double& callTimeLimit() {
    static double seconds = 0;
    return seconds;
}

/// The body of a libFuzzer target: any one translator call may use 10 s of processor time
/// under the sanitizers (libFuzzer's -timeout, also 10 s, covers the whole input), and a
/// failed check stops the fuzzer with the problem on standard output.
template <typename Run>
int fuzzOneInput(const char* target, Run run, const std::uint8_t* data, std::size_t size) {
    callTimeLimit() = 10;
    const std::string problem = run(data, size);
    if (!problem.empty()) {
        // Standard error may be closed (-close_fd_mask=2) to keep the plug-in's warnings out.
        std::printf("%s check failed: %s\n", target, problem.c_str());
        std::fflush(stdout);
        std::abort();
    }
    return 0;
}

/// Measures the processor time of one translator call.
class CallTimer {
public:
    CallTimer() : start_(std::clock()) {}
    double seconds() const { return double(std::clock() - start_) / CLOCKS_PER_SEC; }
    /// An empty text, or what went wrong when the call used more than callTimeLimit().
    std::string check(const char* what) const {
        const double used = seconds();
        if (callTimeLimit() <= 0 || used <= callTimeLimit()) return {};
        return std::string(what) + " took " + std::to_string(used) + " s of processor time";
    }

private:
    std::clock_t start_;
};

/// Number of DAG nodes in the scene, counted through first parents (every node once).
inline std::size_t countNodes() {
    std::size_t count = 0;
    std::vector<MObject> stack = standin::topLevelNodes();
    while (!stack.empty()) {
        MObject node = stack.back();
        stack.pop_back();
        ++count;
        MFnDagNode fn(node);
        const unsigned int children = fn.childCount();
        for (unsigned int i = 0; i < children; ++i) {
            MObject child = fn.child(i);
            MFnDagNode childFn(child);
            // Instanced nodes are counted below their first parent only.
            if (childFn.parent(0) == node) stack.push_back(child);
        }
    }
    return count;
}

/// A text that differs whenever two scenes differ in their nodes (names, parents, types,
/// translations, rotation orders) or in the keys of their translate and rotate curves.
inline std::string sceneDigest() {
    static const char* const kAttributes[6] = {"translateX", "translateY", "translateZ",
                                               "rotateX",    "rotateY",    "rotateZ"};
    std::string out;
    auto number = [&out](double value) {
        char text[32];
        std::snprintf(text, sizeof text, " %a", value);
        out += text;
    };
    std::vector<std::pair<MObject, int>> stack;
    for (const MObject& node : standin::topLevelNodes()) stack.emplace_back(node, 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        MFnTransform fn(node);
        out += std::to_string(depth) + " " + standin::nodeTypeName(node) + " " + fn.name().asChar();
        const MVector t = fn.getTranslation(MSpace::kTransform);
        number(t.x);
        number(t.y);
        number(t.z);
        out += " order " + std::to_string(static_cast<int>(fn.rotationOrder()));
        for (const char* attribute : kAttributes) {
            MPlug plug(node, fn.attribute(attribute));
            MObjectArray curves;
            if (!MAnimUtil::isAnimated(plug, false) || !MAnimUtil::findAnimation(plug, curves))
                continue;
            for (unsigned c = 0; c < curves.length(); ++c) {
                MFnAnimCurve curve(curves[c]);
                // The keys as their count and a hash of their bits: a curve can hold millions.
                const unsigned keys = curve.numKeys();
                std::uint64_t hash = 14695981039346656037ull;
                auto mix = [&hash](double value) {
                    std::uint64_t bits;
                    std::memcpy(&bits, &value, sizeof bits);
                    hash = (hash ^ bits) * 1099511628211ull;
                };
                for (unsigned k = 0; k < keys; ++k) {
                    mix(curve.time(k).value());
                    mix(curve.value(k));
                }
                out += std::string(" ") + attribute + ": " + std::to_string(keys) + " keys " +
                       std::to_string(hash);
            }
        }
        out += "\n";
        const unsigned children = fn.childCount();
        for (unsigned i = children; i-- > 0;) {
            const MObject child = fn.child(i);
            if (MFnDagNode(child).parent(0) == node) stack.emplace_back(child, depth + 1);
        }
    }
    return out;
}

/// Replaces the active selection with `nodes`, in that order.
inline void selectNodes(const std::vector<MObject>& nodes) {
    MSelectionList list;
    for (const MObject& node : nodes) list.add(node);
    MGlobal::setActiveSelectionList(list);
}

}  // namespace bvhfuzz
