#include "snmpvalue.h"

#include "mibtree.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <strings.h>
#include <cstdio>
#include <cstring>

namespace tnm {

namespace {

std::string trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Tcl strings are (modified) UTF-8; octets go out as UTF-8 and come back
// through Tcl's decoder, which takes bytes that are not UTF-8 as Latin-1.
Tcl_Encoding utf8()
{
    static Tcl_Encoding encoding = Tcl_GetEncoding(nullptr, "utf-8");
    return encoding;
}

std::string toBytes(Tcl_Obj *obj)
{
    Tcl_DString ds;
    int length = 0;
    const char *text = Tcl_GetStringFromObj(obj, &length);
    Tcl_UtfToExternalDString(utf8(), text, length, &ds);
    std::string bytes(Tcl_DStringValue(&ds), static_cast<std::size_t>(Tcl_DStringLength(&ds)));
    Tcl_DStringFree(&ds);
    return bytes;
}

Tcl_Obj *fromBytes(const unsigned char *data, std::size_t length)
{
    Tcl_DString ds;
    Tcl_ExternalToUtfDString(utf8(), reinterpret_cast<const char *>(data),
                             static_cast<int>(length), &ds);
    Tcl_Obj *obj = Tcl_NewStringObj(Tcl_DStringValue(&ds), Tcl_DStringLength(&ds));
    Tcl_DStringFree(&ds);
    return obj;
}

// Printable text: ASCII without control characters other than white space,
// or well-formed UTF-8 above it.
bool looksLikeText(const unsigned char *data, std::size_t length)
{
    for (std::size_t i = 0; i < length;) {
        const unsigned char c = data[i];
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return false;
            }
            if (c == 0x7f) {
                return false;
            }
            ++i;
            continue;
        }
        std::size_t extra = 0;
        if ((c & 0xe0) == 0xc0 && c >= 0xc2) {
            extra = 1;
        } else if ((c & 0xf0) == 0xe0) {
            extra = 2;
        } else if ((c & 0xf8) == 0xf0 && c <= 0xf4) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= length) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((data[i + k] & 0xc0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

bool parseHex(const std::string &text, std::vector<unsigned char> &out, bool strict)
{
    out.clear();
    const std::string t = trim(text);
    if (t.empty()) {
        return true;
    }
    std::size_t i = 0;
    while (i < t.size()) {
        if (i + 1 >= t.size() || !std::isxdigit(static_cast<unsigned char>(t[i])) ||
            !std::isxdigit(static_cast<unsigned char>(t[i + 1]))) {
            return false;
        }
        out.push_back(static_cast<unsigned char>(std::stoul(t.substr(i, 2), nullptr, 16)));
        i += 2;
        if (i == t.size()) {
            break;
        }
        if (t[i] == ':' || (!strict && t[i] == ' ')) {
            ++i;
            if (i == t.size()) {
                return false;
            }
        } else if (strict) {
            return false;
        }
    }
    return true;
}

bool parseSigned(const std::string &text, long long low, long long high, long long &out)
{
    const std::string t = trim(text);
    if (t.empty()) {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < low || v > high) {
        return false;
    }
    out = v;
    return true;
}

bool parseUnsigned(const std::string &text, unsigned long long high, unsigned long long &out)
{
    const std::string t = trim(text);
    if (t.empty() || t[0] == '-') {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    const unsigned long long v = std::strtoull(t.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > high) {
        return false;
    }
    out = v;
    return true;
}

// TimeTicks as written by SnmpValue::timeticks ("2d 03:04:05.06"), or a number.
bool parseTimeticks(const std::string &text, unsigned long long &out)
{
    if (parseUnsigned(text, 0xffffffffULL, out)) {
        return true;
    }
    unsigned long long days = 0;
    unsigned hours = 0;
    unsigned minutes = 0;
    unsigned seconds = 0;
    unsigned hundredths = 0;
    char tail = 0;
    const std::string t = trim(text);
    if (std::sscanf(t.c_str(), "%llud %u:%u:%u.%u%c", &days, &hours, &minutes, &seconds, &hundredths, &tail) != 5 ||
        hours > 23 || minutes > 59 || seconds > 59 || hundredths > 99) {
        return false;
    }
    const unsigned long long ticks =
        (((days * 24 + hours) * 60 + minutes) * 60 + seconds) * 100 + hundredths;
    if (ticks > 0xffffffffULL) {
        return false;
    }
    out = ticks;
    return true;
}

template <typename T> void putRaw(EncodedValue &out, const T &value)
{
    const auto *p = reinterpret_cast<const unsigned char *>(&value);
    out.bytes.assign(p, p + sizeof(T));
}

int typeFromSyntax(const std::string &syntax)
{
    static const struct {
        const char *word;
        int type;
    } table[] = {
        {"INTEGER", TYPE_INTEGER},       {"Integer32", TYPE_INTEGER32},   {"OCTET STRING", TYPE_OCTETSTR},
        {"OBJECT IDENTIFIER", TYPE_OBJID}, {"Counter32", TYPE_COUNTER},   {"Counter", TYPE_COUNTER},
        {"Gauge32", TYPE_GAUGE},         {"Gauge", TYPE_GAUGE},           {"TimeTicks", TYPE_TIMETICKS},
        {"IpAddress", TYPE_IPADDR},      {"Counter64", TYPE_COUNTER64},   {"Unsigned32", TYPE_UNSIGNED32},
        {"Opaque", TYPE_OPAQUE},         {"BITS", TYPE_BITSTRING},        {"NULL", TYPE_NULL},
    };
    for (const auto &entry : table) {
        if (strcasecmp(entry.word, syntax.c_str()) == 0) {
            return entry.type;
        }
    }
    return -1;
}

} // namespace

bool SnmpValue::isTextHint(const char *hint)
{
    // "255a", "255t" and the like: one octet run shown as text.
    if (hint == nullptr || *hint == '\0') {
        return false;
    }
    const char *p = hint;
    if (*p == '*') {
        ++p;
    }
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return (*p == 'a' || *p == 't') && p[1] == '\0';
}

std::string SnmpValue::hex(const unsigned char *data, std::size_t length)
{
    std::string text;
    char buffer[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02x" : ":%02x", data[i]);
        text += buffer;
    }
    return text;
}

std::string SnmpValue::timeticks(unsigned long ticks)
{
    char buffer[64];
    const unsigned long hundredths = ticks % 100;
    unsigned long seconds = ticks / 100;
    const unsigned long days = seconds / 86400;
    seconds %= 86400;
    std::snprintf(buffer, sizeof buffer, "%lud %02lu:%02lu:%02lu.%02lu", days, seconds / 3600, (seconds / 60) % 60,
                  seconds % 60, hundredths);
    return buffer;
}

std::string SnmpValue::syntaxWord(const netsnmp_variable_list *vb, const struct tree *object)
{
    const int mibType = MibTree::isObject(object) ? object->type : -1;
    switch (vb->type) {
    case ASN_INTEGER: return mibType == TYPE_INTEGER32 ? "Integer32" : "INTEGER";
    case ASN_OCTET_STR: return mibType == TYPE_BITSTRING ? "BITS" : "OCTET STRING";
    case ASN_OBJECT_ID: return "OBJECT IDENTIFIER";
    case ASN_IPADDRESS: return "IpAddress";
    case ASN_COUNTER: return "Counter32";
    case ASN_GAUGE: return mibType == TYPE_UNSIGNED32 ? "Unsigned32" : "Gauge32";
    case ASN_TIMETICKS: return "TimeTicks";
    case ASN_OPAQUE: return "Opaque";
    case ASN_COUNTER64: return "Counter64";
    case ASN_NULL: return "NULL";
    case SNMP_NOSUCHOBJECT: return "noSuchObject";
    case SNMP_NOSUCHINSTANCE: return "noSuchInstance";
    case SNMP_ENDOFMIBVIEW: return "endOfMibView";
    default: return "Opaque";
    }
}

Tcl_Obj *SnmpValue::value(const netsnmp_variable_list *vb, const struct tree *object)
{
    const bool typed = MibTree::isObject(object);
    switch (vb->type) {
    case ASN_INTEGER: {
        const long v = vb->val.integer != nullptr ? *vb->val.integer : 0;
        if (typed) {
            for (const struct enum_list *e = object->enums; e != nullptr; e = e->next) {
                if (e->value == v && e->label != nullptr) {
                    return Tcl_NewStringObj(e->label, -1);
                }
            }
        }
        return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(v));
    }
    case ASN_COUNTER:
    case ASN_GAUGE: {
        const unsigned long v = vb->val.integer != nullptr ? static_cast<unsigned long>(*vb->val.integer) : 0;
        return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(v & 0xffffffffUL));
    }
    case ASN_TIMETICKS: {
        const unsigned long v = vb->val.integer != nullptr ? static_cast<unsigned long>(*vb->val.integer) : 0;
        return Tcl_NewStringObj(timeticks(v & 0xffffffffUL).c_str(), -1);
    }
    case ASN_COUNTER64: {
        unsigned long long v = 0;
        if (vb->val.counter64 != nullptr) {
            v = (static_cast<unsigned long long>(vb->val.counter64->high & 0xffffffffUL) << 32) |
                (vb->val.counter64->low & 0xffffffffUL);
        }
        return Tcl_NewStringObj(std::to_string(v).c_str(), -1);
    }
    case ASN_IPADDRESS: {
        if (vb->val_len != 4 || vb->val.string == nullptr) {
            return Tcl_NewStringObj(hex(vb->val.string, vb->val_len).c_str(), -1);
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", vb->val.string[0], vb->val.string[1], vb->val.string[2],
                      vb->val.string[3]);
        return Tcl_NewStringObj(buffer, -1);
    }
    case ASN_OBJECT_ID: {
        Arcs arcs;
        const std::size_t count = vb->val_len / sizeof(oid);
        for (std::size_t i = 0; i < count && vb->val.objid != nullptr; ++i) {
            arcs.push_back(static_cast<std::uint32_t>(vb->val.objid[i]));
        }
        return Tcl_NewStringObj(MibTree::dotted(arcs).c_str(), -1);
    }
    case ASN_OCTET_STR: {
        const unsigned char *data = vb->val.string;
        const std::size_t length = data != nullptr ? vb->val_len : 0;
        bool text;
        if (typed && object->type == TYPE_BITSTRING) {
            text = false;
        } else if (typed && object->hint != nullptr) {
            text = isTextHint(object->hint);
        } else {
            text = looksLikeText(data, length);
        }
        if (text) {
            return fromBytes(data, length);
        }
        return Tcl_NewStringObj(hex(data, length).c_str(), -1);
    }
    case ASN_OPAQUE:
        return Tcl_NewStringObj(hex(vb->val.string, vb->val.string != nullptr ? vb->val_len : 0).c_str(), -1);
    default:
        return Tcl_NewObj();
    }
}

bool SnmpValue::encode(MibTree &mib, const std::string &syntax, Tcl_Obj *valueObj, const struct tree *object,
                       EncodedValue &out, std::string &error)
{
    const bool typed = MibTree::isObject(object);
    int type;
    if (!syntax.empty()) {
        type = typeFromSyntax(syntax);
        if (type < 0) {
            error = "unknown syntax \"" + syntax + "\"";
            return false;
        }
    } else if (typed) {
        type = object->type;
    } else {
        error = "no syntax known for this object; give the binding as {oid syntax value}";
        return false;
    }
    const std::string text = Tcl_GetString(valueObj);
    const std::string shownSyntax = syntax.empty() ? MibTree::typeName(type) : syntax;
    auto misfit = [&]() {
        error = "value \"" + text + "\" does not fit the syntax " + shownSyntax;
        return false;
    };

    switch (type) {
    case TYPE_INTEGER:
    case TYPE_INTEGER32: {
        long long v = 0;
        bool found = false;
        if (typed) {
            const std::string label = trim(text);
            for (const struct enum_list *e = object->enums; e != nullptr; e = e->next) {
                if (e->label != nullptr && label == e->label) {
                    v = e->value;
                    found = true;
                    break;
                }
            }
        }
        if (!found && !parseSigned(text, -2147483648LL, 2147483647LL, v)) {
            return misfit();
        }
        out.type = ASN_INTEGER;
        putRaw(out, static_cast<long>(v));
        return true;
    }
    case TYPE_COUNTER:
    case TYPE_GAUGE:
    case TYPE_UNSIGNED32:
    case TYPE_UINTEGER:
    case TYPE_TIMETICKS: {
        unsigned long long v = 0;
        const bool ok = type == TYPE_TIMETICKS ? parseTimeticks(text, v) : parseUnsigned(text, 0xffffffffULL, v);
        if (!ok) {
            return misfit();
        }
        out.type = type == TYPE_COUNTER     ? ASN_COUNTER
                   : type == TYPE_TIMETICKS ? ASN_TIMETICKS
                   : type == TYPE_UINTEGER  ? ASN_UINTEGER
                                            : ASN_GAUGE;
        putRaw(out, static_cast<unsigned long>(v));
        return true;
    }
    case TYPE_COUNTER64: {
        unsigned long long v = 0;
        if (!parseUnsigned(text, ~0ULL, v)) {
            return misfit();
        }
        struct counter64 c {};
        c.high = static_cast<unsigned long>(v >> 32);
        c.low = static_cast<unsigned long>(v & 0xffffffffULL);
        out.type = ASN_COUNTER64;
        putRaw(out, c);
        return true;
    }
    case TYPE_IPADDR:
    case TYPE_NETADDR: {
        struct in_addr addr {};
        if (inet_pton(AF_INET, trim(text).c_str(), &addr) != 1) {
            return misfit();
        }
        out.type = ASN_IPADDRESS;
        putRaw(out, addr);
        return true;
    }
    case TYPE_OBJID: {
        MibPosition pos;
        std::string lookupError;
        Arcs arcs;
        if (MibTree::parseDotted(trim(text), arcs)) {
            pos.arcs = arcs;
        } else if (!mib.resolve(text, pos, lookupError)) {
            return misfit();
        }
        if (pos.arcs.size() < 2) {
            return misfit();
        }
        out.type = ASN_OBJECT_ID;
        out.bytes.resize(pos.arcs.size() * sizeof(oid));
        auto *o = reinterpret_cast<oid *>(out.bytes.data());
        for (std::size_t i = 0; i < pos.arcs.size(); ++i) {
            o[i] = pos.arcs[i];
        }
        return true;
    }
    case TYPE_OCTETSTR: {
        out.type = ASN_OCTET_STR;
        const char *hint = typed ? object->hint : nullptr;
        if (hint != nullptr && !isTextHint(hint)) {
            if (!parseHex(text, out.bytes, false)) {
                return misfit();
            }
            return true;
        }
        // Without a hint, a value written as hex octets (0a:1b, at least two)
        // is taken as octets, anything else as text.
        if (hint == nullptr && text.find(':') != std::string::npos && parseHex(text, out.bytes, true)) {
            return true;
        }
        const std::string bytes = toBytes(valueObj);
        out.bytes.assign(bytes.begin(), bytes.end());
        return true;
    }
    case TYPE_BITSTRING:
    case TYPE_OPAQUE:
        out.type = type == TYPE_OPAQUE ? ASN_OPAQUE : ASN_OCTET_STR;
        if (!parseHex(text, out.bytes, false)) {
            return misfit();
        }
        return true;
    case TYPE_NULL:
        out.type = ASN_NULL;
        out.bytes.clear();
        return true;
    default:
        error = "objects of syntax " + shownSyntax + " cannot be set";
        return false;
    }
}

} // namespace tnm
