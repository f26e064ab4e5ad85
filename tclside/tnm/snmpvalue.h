#ifndef TNM_SNMPVALUE_H
#define TNM_SNMPVALUE_H

// Conversion between SNMP variable bindings and their Tcl form: syntax words
// and values as an operator reads them (enumeration labels, DisplayString
// text, hex octets 0a:1b, dotted IpAddress and OIDs, readable TimeTicks), and
// back for a set request, checked against the syntax before anything is sent.

#include <string>
#include <vector>

#include <tcl.h>

struct tree;
struct variable_list;

namespace tnm {

class MibTree;

// An encoded value ready for snmp_pdu_add_variable.
struct EncodedValue {
    unsigned char type = 0;
    std::vector<unsigned char> bytes;
};

class SnmpValue {
public:
    // The syntax word of a received binding.
    [[nodiscard]] static std::string syntaxWord(const struct variable_list *vb, const struct tree *object);
    // The value of a received binding as a new Tcl object.
    [[nodiscard]] static Tcl_Obj *value(const struct variable_list *vb, const struct tree *object);

    // Encodes `value` for a set request. `syntax` is a syntax word, or empty to
    // take the type from `object`. False with `error` set when it does not fit.
    [[nodiscard]] static bool encode(MibTree &mib, const std::string &syntax, Tcl_Obj *value,
                                     const struct tree *object, EncodedValue &out, std::string &error);

    [[nodiscard]] static std::string hex(const unsigned char *data, std::size_t length);
    [[nodiscard]] static std::string timeticks(unsigned long ticks);
    [[nodiscard]] static bool isTextHint(const char *hint);
};

} // namespace tnm

#endif
