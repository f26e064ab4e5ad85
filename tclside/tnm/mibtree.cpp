#include "mibtree.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace tnm {

namespace {

// Loaded first so that the SMIv2 definitions of objects that RFC1213-MIB also
// defines are the ones shown (module, syntax, description); then everything.
constexpr const char *kDefaultMibs = "SNMPv2-MIB:IF-MIB:ALL";
const std::set<std::string> kCoreModules = {"SNMPv2-SMI", "SNMPv2-TC", "SNMPv2-CONF",
                                            "RFC1155-SMI", "RFC-1212", "RFC-1215"};

std::unique_ptr<MibTree> gTree;
std::string gPendingLog;

int logCallback(int, int, void *serverArg, void *)
{
    const auto *message = static_cast<const snmp_log_message *>(serverArg);
    if (message == nullptr || message->msg == nullptr) {
        return 0;
    }
    // net-snmp logs a line in pieces; keep whole lines.
    gPendingLog += message->msg;
    std::string::size_type nl = 0;
    while ((nl = gPendingLog.find('\n')) != std::string::npos) {
        std::string line = gPendingLog.substr(0, nl);
        gPendingLog.erase(0, nl + 1);
        if (!line.empty() && gTree) {
            gTree->addMessage(line);
        }
    }
    return 0;
}

void makeDirs(const std::string &path)
{
    for (std::string::size_type pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return;
            }
        }
    }
}

std::string envOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

bool isDirectory(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// net-snmp's convention for MIBDIRS and MIBS: a leading "+" puts the given
// entries before the defaults, a leading "-" after them, anything else
// replaces the defaults.
std::string combineWithDefault(const char *envName, const std::string &defaults)
{
    const char *value = std::getenv(envName);
    if (value == nullptr || *value == '\0') {
        return defaults;
    }
    const std::string given(value);
    if (given[0] == '+') {
        return given.size() > 1 ? given.substr(1) + ":" + defaults : defaults;
    }
    if (given[0] == '-') {
        return given.size() > 1 ? defaults + ":" + given.substr(1) : defaults;
    }
    return given;
}

} // namespace

MibTree &MibTree::instance(const std::string &packageDir)
{
    if (!gTree) {
        gTree.reset(new MibTree(packageDir));
        gTree->load(packageDir);
    }
    return *gTree;
}

MibTree *MibTree::existing()
{
    return gTree.get();
}

MibTree::MibTree(const std::string &) {}

void MibTree::load(const std::string &packageDir)
{
    // Never the system's snmp.conf (Debian's loads no modules at all), never
    // /var/lib/snmp: a per-user cache folder holds net-snmp's MIB index.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_SAVE_MIB_DESCRS, 1);
    const std::string home = envOr("HOME", "/tmp");
    const std::string persistent =
        envOr("SNMP_PERSISTENT_DIR", envOr("XDG_CACHE_HOME", home + "/.cache") + "/olvarin/snmp");
    makeDirs(persistent);
    makeDirs(persistent + "/mib_indexes");
    makeDirs(persistent + "/cert_indexes");
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, persistent.c_str());

    // Everything net-snmp logs goes to tnm(mib:errors), nothing to stderr.
    snmp_disable_log();
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, logCallback, nullptr);

    std::string defaultDir;
    for (const char *relative : {TNM_BUILD_MIBS, TNM_INSTALLED_MIBS}) {
        const std::string candidate = packageDir + "/" + relative;
        if (isDirectory(candidate)) {
            char resolved[PATH_MAX];
            defaultDir = realpath(candidate.c_str(), resolved) != nullptr ? resolved : candidate;
            break;
        }
    }
    if (defaultDir.empty()) {
        addMessage("The default MIB folder was not found beside " + packageDir);
        defaultDir = packageDir + "/" + TNM_BUILD_MIBS;
    }
    mibDirs_ = combineWithDefault("MIBDIRS", defaultDir);
    netsnmp_set_mib_directory(mibDirs_.c_str());

    // net-snmp reads the module list from MIBS while it initialises: give it the
    // combined list for that moment only and leave the environment as it was.
    const char *oldMibs = std::getenv("MIBS");
    const std::string savedMibs = oldMibs != nullptr ? oldMibs : "";
    const std::string mibs = combineWithDefault("MIBS", kDefaultMibs);
    setenv("MIBS", mibs.c_str(), 1);
    init_snmp("olvarin");
    if (oldMibs != nullptr) {
        setenv("MIBS", savedMibs.c_str(), 1);
    } else {
        unsetenv("MIBS");
    }
    if (!gPendingLog.empty()) {
        addMessage(gPendingLog);
        gPendingLog.clear();
    }

    for (struct tree *root = get_tree_head(); root != nullptr; root = root->next_peer) {
        roots_.push_back(root);
    }
    std::stable_sort(roots_.begin(), roots_.end(),
                     [](const struct tree *a, const struct tree *b) { return a->subid < b->subid; });
    collectModules();
}

void MibTree::collectModules()
{
    std::vector<std::string> names;
    int misses = 0;
    for (int id = 0; misses < 64; ++id) {
        struct module *mp = find_module(id);
        if (mp == nullptr) {
            ++misses;
            continue;
        }
        misses = 0;
        // Modules that were only indexed keep no_imports at -1 until read.
        if (mp->no_imports != -1 && mp->name != nullptr) {
            names.emplace_back(mp->name);
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const auto &name : names) {
        (kCoreModules.count(name) != 0 ? coreModules_ : modules_).push_back(name);
    }
}

bool MibTree::parseDotted(const std::string &text, Arcs &out)
{
    out.clear();
    out.reserve(16); // most OIDs are shorter: one allocation instead of five
    std::string::size_type pos = 0;
    if (!text.empty() && text[0] == '.') {
        pos = 1;
    }
    if (pos >= text.size()) {
        return false;
    }
    while (pos <= text.size()) {
        std::uint64_t value = 0;
        std::string::size_type start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
            if (value > 0xffffffffULL) {
                return false;
            }
            ++pos;
        }
        if (pos == start) {
            return false;
        }
        out.push_back(static_cast<std::uint32_t>(value));
        if (pos == text.size()) {
            return out.size() <= MAX_OID_LEN;
        }
        if (text[pos] != '.') {
            return false;
        }
        ++pos;
    }
    return false;
}

std::string MibTree::dotted(const Arcs &arcs, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count && i < arcs.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += std::to_string(arcs[i]);
    }
    return text;
}

Arcs MibTree::arcsOf(const struct tree *node)
{
    Arcs arcs;
    for (const struct tree *tp = node; tp != nullptr; tp = tp->parent) {
        arcs.push_back(static_cast<std::uint32_t>(tp->subid));
    }
    std::reverse(arcs.begin(), arcs.end());
    return arcs;
}

const std::vector<struct tree *> &MibTree::children(struct tree *node)
{
    static const std::vector<struct tree *> none;
    if (node->child_list == nullptr) {
        return none;
    }
    auto found = sortedChildren_.find(node);
    if (found != sortedChildren_.end()) {
        return found->second;
    }
    std::vector<struct tree *> list;
    for (struct tree *child = node->child_list; child != nullptr; child = child->next_peer) {
        list.push_back(child);
    }
    // Stable, so that of two nodes on one arc (two modules naming the same
    // OID differently) the one net-snmp lists first stands for the arc.
    std::stable_sort(list.begin(), list.end(),
                     [](const struct tree *a, const struct tree *b) { return a->subid < b->subid; });
    list.erase(std::unique(list.begin(), list.end(),
                           [](const struct tree *a, const struct tree *b) { return a->subid == b->subid; }),
               list.end());
    return sortedChildren_.emplace(node, std::move(list)).first->second;
}

struct tree *MibTree::childWithArc(struct tree *node, std::uint32_t arc)
{
    const auto &list = children(node);
    auto it = std::lower_bound(list.begin(), list.end(), arc,
                               [](const struct tree *t, std::uint32_t a) { return t->subid < a; });
    return (it != list.end() && (*it)->subid == arc) ? *it : nullptr;
}

struct tree *MibTree::rootWithArc(std::uint32_t arc)
{
    for (struct tree *root : roots_) {
        if (root->subid == arc) {
            return root;
        }
    }
    return nullptr;
}

MibPosition MibTree::locate(const Arcs &arcs)
{
    MibPosition pos;
    pos.arcs = arcs;
    descend(pos);
    return pos;
}

void MibTree::descend(MibPosition &pos)
{
    const Arcs &arcs = pos.arcs;
    pos.node = nullptr;
    pos.known = 0;
    if (arcs.empty()) {
        return;
    }
    // Start below the arcs this OID shares with the last one located.
    std::size_t known = 0;
    while (known < lastArcs_.size() && known < arcs.size() && lastArcs_[known] == arcs[known]) {
        ++known;
    }
    lastArcs_.resize(known);
    lastPath_.resize(known);
    if (known == 0) {
        struct tree *root = rootWithArc(arcs[0]);
        if (root == nullptr) {
            return;
        }
        lastArcs_.push_back(arcs[0]);
        lastPath_.push_back(root);
        known = 1;
    }
    struct tree *node = lastPath_.back();
    while (known < arcs.size()) {
        struct tree *child = childWithArc(node, arcs[known]);
        if (child == nullptr) {
            break;
        }
        node = child;
        lastArcs_.push_back(arcs[known]);
        lastPath_.push_back(child);
        ++known;
    }
    pos.node = node;
    pos.known = known;
}

bool MibTree::resolve(const std::string &rawText, MibPosition &out, std::string &error)
{
    // The texts of a failure are made only when it fails: the browser resolves
    // two OIDs per object at every start.
    const auto unknown = [&] {
        error = "unknown MIB node \"" + rawText + "\"";
        return false;
    };
    const auto invalid = [&] {
        error = "invalid object identifier \"" + rawText + "\"";
        return false;
    };
    const auto first = rawText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return unknown();
    }
    const auto last = rawText.find_last_not_of(" \t\r\n");
    const bool trimmed = first == 0 && last + 1 == rawText.size();
    const std::string copy = trimmed ? std::string() : rawText.substr(first, last - first + 1);
    const std::string &text = trimmed ? rawText : copy;
    if ((text[0] >= '0' && text[0] <= '9') || text[0] == '.') {
        if (!parseDotted(text, out.arcs)) {
            return invalid();
        }
        descend(out);
        return out.node != nullptr ? true : unknown();
    }

    std::string module;
    std::string rest = text;
    auto bang = text.find('!');
    auto colons = text.find("::");
    if (bang != std::string::npos) {
        module = text.substr(0, bang);
        rest = text.substr(bang + 1);
    } else if (colons != std::string::npos) {
        module = text.substr(0, colons);
        rest = text.substr(colons + 2);
    }
    const auto dot = rest.find('.');
    const std::string label = rest.substr(0, dot);
    Arcs suffix;
    if (dot != std::string::npos && !parseDotted(rest.substr(dot + 1), suffix)) {
        return unknown();
    }
    if (label.empty()) {
        return unknown();
    }
    int modid = -1;
    if (!module.empty()) {
        modid = which_module(module.c_str());
        if (modid == -1) {
            return unknown();
        }
    }
    struct tree *node = find_tree_node(label.c_str(), modid);
    if (node == nullptr) {
        return unknown();
    }
    out.arcs = arcsOf(node);
    out.node = node;
    out.known = out.arcs.size();
    out.arcs.insert(out.arcs.end(), suffix.begin(), suffix.end());
    if (out.arcs.size() > MAX_OID_LEN) {
        return invalid();
    }
    return true;
}

bool MibTree::isRow(const struct tree *node)
{
    return node != nullptr && node->type == TYPE_OTHER && (node->indexes != nullptr || node->augments != nullptr);
}

bool MibTree::isTable(struct tree *node)
{
    if (node == nullptr || node->type != TYPE_OTHER || node->access != MIB_ACCESS_NOACCESS || isRow(node)) {
        return false;
    }
    for (struct tree *child : children(node)) {
        if (isRow(child)) {
            return true;
        }
    }
    return false;
}

bool MibTree::isObject(const struct tree *node)
{
    return node != nullptr && node->type > TYPE_OTHER && node->type <= TYPE_SIMPLE_LAST;
}

const char *MibTree::typeName(int type)
{
    switch (type) {
    case TYPE_OBJID: return "OBJECT IDENTIFIER";
    case TYPE_OCTETSTR: return "OCTET STRING";
    case TYPE_INTEGER: return "INTEGER";
    case TYPE_NETADDR: return "NetworkAddress";
    case TYPE_IPADDR: return "IpAddress";
    case TYPE_COUNTER: return "Counter32";
    case TYPE_GAUGE: return "Gauge32";
    case TYPE_TIMETICKS: return "TimeTicks";
    case TYPE_OPAQUE: return "Opaque";
    case TYPE_NULL: return "NULL";
    case TYPE_COUNTER64: return "Counter64";
    case TYPE_BITSTRING: return "BITS";
    case TYPE_NSAPADDRESS: return "NsapAddress";
    case TYPE_UINTEGER: return "UInteger32";
    case TYPE_UNSIGNED32: return "Unsigned32";
    case TYPE_INTEGER32: return "Integer32";
    default: return "";
    }
}

std::string MibTree::baseSyntax(const struct tree *node)
{
    return isObject(node) ? typeName(node->type) : std::string();
}

std::string MibTree::tcName(const struct tree *node)
{
    if (node == nullptr || node->tc_index < 0) {
        return {};
    }
    const char *name = get_tc_descriptor(node->tc_index);
    return name != nullptr ? std::string(name) : std::string();
}

std::string MibTree::syntax(struct tree *node)
{
    if (isRow(node)) {
        return "SEQUENCE";
    }
    if (isTable(node)) {
        return "SEQUENCE OF";
    }
    if (!isObject(node)) {
        return {};
    }
    std::string tc = tcName(node);
    return tc.empty() ? baseSyntax(node) : tc;
}

bool MibTree::hasIntegerBase(const struct tree *node)
{
    return node != nullptr && (node->type == TYPE_INTEGER || node->type == TYPE_INTEGER32 ||
                               node->type == TYPE_UINTEGER || node->type == TYPE_UNSIGNED32);
}

std::string MibTree::access(const struct tree *node)
{
    if (node == nullptr) {
        return "not-accessible";
    }
    switch (node->access) {
    case MIB_ACCESS_READONLY: return "read-only";
    case MIB_ACCESS_READWRITE: return "read-write";
    case MIB_ACCESS_WRITEONLY: return "write-only";
    case MIB_ACCESS_CREATE: return "read-create";
    case MIB_ACCESS_NOTIFY: return "accessible-for-notify";
    default: return "not-accessible";
    }
}

std::string MibTree::moduleOf(const struct tree *node)
{
    if (node == nullptr) {
        return {};
    }
    char buffer[SPRINT_MAX_LEN];
    const char *name = module_name(node->modid, buffer);
    std::string text = name != nullptr ? name : "";
    // Nodes that no module defines (net-snmp's built-in roots) have no name.
    return (!text.empty() && text[0] == '#') ? std::string() : text;
}

std::vector<std::string> MibTree::indexNames(struct tree *row)
{
    std::vector<std::string> names;
    if (isTable(row)) {
        for (struct tree *child : children(row)) {
            if (isRow(child)) {
                row = child;
                break;
            }
        }
    }
    // AUGMENTS may chain; a small bound keeps a malformed loop finite.
    for (int depth = 0; row != nullptr && depth < 16; ++depth) {
        if (row->indexes != nullptr) {
            for (struct index_list *ix = row->indexes; ix != nullptr; ix = ix->next) {
                if (ix->ilabel != nullptr) {
                    names.emplace_back(ix->ilabel);
                }
            }
            break;
        }
        if (row->augments == nullptr) {
            break;
        }
        std::string target = row->augments;
        const auto bang = target.find_last_of("!:");
        if (bang != std::string::npos) {
            target = target.substr(bang + 1);
        }
        target.erase(0, target.find_first_not_of(" \t"));
        target.erase(target.find_last_not_of(" \t") + 1);
        row = find_tree_node(target.c_str(), -1);
    }
    return names;
}

} // namespace tnm
