#pragma once
// The curves that take the values of a file's channels: found or made once per attribute of a
// joint, before the first frame is keyed.

#include <maya/MObject.h>

#include <cstddef>
#include <string>
#include <vector>

#include "bvh/Reader.h"
#include "import/ImportSettings.h"
#include "import/KeyPlan.h"
#include "import/NodeTargets.h"

namespace bvhimport {

/// Fills a key plan from the channels of a file and the joints of its nodes, and gives the
/// joints their rotation order. The rotation order named by the settings ("auto": that of
/// the first CHANNELS line bound) is resolved here.
class ChannelBinder {
public:
    ChannelBinder(const ImportSettings& settings, KeyPlan& plan);

    /// Binds the channels the table gained since the last call, of the nodes that `targets`
    /// has joined so far. Warnings go to `messages`, each with its line.
    void bind(const bvh::HierarchyTable& table, const NodeTargets& targets,
              std::vector<bvh::ReadMessage>& messages);

    /// The order joints are given and rotations are converted into ("auto" resolved; any
    /// text that names no order means XYZ).
    const std::string& rotationOrder() const { return order_; }
    /// MEulerRotation order of the rotation channels of the last CHANNELS line bound.
    int fileRotationOrder() const { return fileOrder_; }
    /// How many attributes the file would key are driven by a connection that no key can set
    /// (a constraint, a driven key, an animation layer...), and the first few of them by name.
    std::size_t leftAloneCount() const { return leftAloneCount_; }
    const std::vector<std::string>& leftAloneNames() const { return leftAloneNames_; }

private:
    /// One CHANNELS line of node `node`: channels [first, last).
    void bindLine(const bvh::HierarchyTable& table, std::size_t node, const MObject& joint,
                  std::size_t first, std::size_t last, std::vector<bvh::ReadMessage>& messages);
    /// Where the keys of `attribute` (0..5, translateX..rotateZ) of node `node`'s joint go:
    /// the index in the plan's curves of the curve that takes them, found once and shared by
    /// every channel that names it; -1 for nowhere. The curve is the time-input curve that
    /// drives the attribute, directly or through a unit conversion (whose factor the keys
    /// undo), or a new one when nothing drives it; an attribute that something else drives
    /// keeps its value. Every curve of the plan is decided here, before any key.
    int destination(std::size_t node, const MObject& joint, int attribute);
    /// Whether the joint holds a rotate value other than 0, without a curve, on an axis that
    /// no curve of the plan keys: keyed as the file says, it would keep that value.
    bool keepsStaticRotate(std::size_t node, const MObject& joint) const;

    const ImportSettings& settings_;
    KeyPlan& plan_;
    std::string order_;
    int fileOrder_ = 0;
    bool orderWarned_ = false;
    std::size_t leftAloneCount_ = 0;
    std::vector<std::string> leftAloneNames_;
};

}  // namespace bvhimport
