#ifndef TNM_MIBTREE_H
#define TNM_MIBTREE_H

// The process-wide MIB: net-snmp's one parsed tree, loaded once however many
// interpreters load the package, with the lookups the `mib` command and the
// SNMP value conversion need. Lookups walk the tree by arc, O(depth), from
// where the previous lookup's path parts from this one's (the browser walks the
// whole tree one object after the other); the children of a node are sorted
// once and kept.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct tree;

namespace tnm {

using Arcs = std::vector<std::uint32_t>;

// A resolved object identifier: the deepest known node on its path and the
// number of leading arcs that node covers (the rest is an instance suffix or
// arcs below anything known).
struct MibPosition {
    Arcs arcs;
    struct tree *node = nullptr;
    std::size_t known = 0;
};

class MibTree {
public:
    // Parses the MIB on first use; `packageDir` is the folder of the loaded
    // library, from which the default module folder is found.
    static MibTree &instance(const std::string &packageDir);
    static MibTree *existing();

    MibTree(const MibTree &) = delete;
    MibTree &operator=(const MibTree &) = delete;

    // Name (`label`, `MODULE!label`, `MODULE::label`, each with an optional
    // numeric suffix) or dotted OID. False with `error` set when it does not
    // resolve.
    [[nodiscard]] bool resolve(const std::string &text, MibPosition &out, std::string &error);
    // Like resolve, but a dotted OID must lie below a known root.
    [[nodiscard]] MibPosition locate(const Arcs &arcs);

    [[nodiscard]] static std::string dotted(const Arcs &arcs, std::size_t count);
    [[nodiscard]] static std::string dotted(const Arcs &arcs) { return dotted(arcs, arcs.size()); }
    [[nodiscard]] static Arcs arcsOf(const struct tree *node);
    [[nodiscard]] static bool parseDotted(const std::string &text, Arcs &out);

    // Children ordered by their last arc, one per arc.
    [[nodiscard]] const std::vector<struct tree *> &children(struct tree *node);

    [[nodiscard]] static bool isRow(const struct tree *node);
    [[nodiscard]] bool isTable(struct tree *node);
    [[nodiscard]] static bool isObject(const struct tree *node);
    [[nodiscard]] std::string syntax(struct tree *node);
    [[nodiscard]] static std::string baseSyntax(const struct tree *node);
    [[nodiscard]] static std::string tcName(const struct tree *node);
    [[nodiscard]] static std::string access(const struct tree *node);
    [[nodiscard]] static std::string moduleOf(const struct tree *node);
    [[nodiscard]] static const char *typeName(int type);
    [[nodiscard]] static bool hasIntegerBase(const struct tree *node);
    // Index objects of a row, following AUGMENTS.
    [[nodiscard]] std::vector<std::string> indexNames(struct tree *row);

    [[nodiscard]] const std::vector<std::string> &coreModules() const { return coreModules_; }
    [[nodiscard]] const std::vector<std::string> &modules() const { return modules_; }
    [[nodiscard]] const std::vector<std::string> &messages() const { return messages_; }
    [[nodiscard]] const std::string &mibDirs() const { return mibDirs_; }
    void addMessage(const std::string &text) { messages_.push_back(text); }

private:
    explicit MibTree(const std::string &packageDir);
    void load(const std::string &packageDir);
    void collectModules();
    [[nodiscard]] struct tree *childWithArc(struct tree *node, std::uint32_t arc);
    [[nodiscard]] struct tree *rootWithArc(std::uint32_t arc);
    // Sets node and known of pos from its arcs.
    void descend(MibPosition &pos);

    // Only nodes that have children are kept here (most nodes are leaves).
    std::unordered_map<const struct tree *, std::vector<struct tree *>> sortedChildren_;
    // The nodes of the last located OID's known arcs: lastPath_[i] covers
    // lastArcs_[0..i]. The parsed MIB never changes, so they stay valid.
    std::vector<struct tree *> lastPath_;
    Arcs lastArcs_;
    std::vector<struct tree *> roots_;
    std::vector<std::string> coreModules_;
    std::vector<std::string> modules_;
    std::vector<std::string> messages_;
    std::string mibDirs_;
};

} // namespace tnm

#endif
