#include "mibcommand.h"

#include "mibtree.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstring>
#include <exception>
#include <string>

namespace tnm {

namespace {

enum Sub { Oid, Name, Label, Parent, Successor, Syntax, Module, Description, Access, Tc, Scan, Format, Index };
const char *const kSubs[] = {"oid",    "name",        "label",  "parent", "successor", "syntax", "module",
                             "description", "access", "tc",     "scan",   "format",    "index",  nullptr};
const int kArgs[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 1};
const char *const kUsage[] = {"name", "oid", "oid", "oid", "oid", "oid", "oid",
                              "oid",  "oid", "oid", "oid value", "oid value", "entry"};

Tcl_Obj *str(const std::string &text)
{
    return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

// The object a lookup speaks of: the node itself, or the object-type node an
// instance OID belongs to. An OID below a node that is no object type (arcs
// no loaded module defines) has no definition of its own.
struct tree *definingNode(const MibPosition &pos)
{
    if (pos.known == pos.arcs.size() || MibTree::isObject(pos.node)) {
        return pos.node;
    }
    return nullptr;
}

Tcl_Obj *tcList(const struct tree *node)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    if (!MibTree::isObject(node)) {
        for (int i = 0; i < 4; ++i) {
            Tcl_ListObjAppendElement(nullptr, list, Tcl_NewObj());
        }
        return list;
    }
    std::string name = MibTree::tcName(node);
    const std::string base = MibTree::baseSyntax(node);
    Tcl_Obj *enums = Tcl_NewListObj(0, nullptr);
    for (const struct enum_list *e = node->enums; e != nullptr; e = e->next) {
        Tcl_Obj *pair[2] = {Tcl_NewStringObj(e->label != nullptr ? e->label : "", -1),
                            Tcl_NewIntObj(e->value)};
        Tcl_ListObjAppendElement(nullptr, enums, Tcl_NewListObj(2, pair));
    }
    int enumCount = 0;
    Tcl_ListObjLength(nullptr, enums, &enumCount);
    // Every enumerated integer, inline or through a convention, has base INTEGER.
    const std::string shownBase = (enumCount > 0 && MibTree::hasIntegerBase(node)) ? std::string("INTEGER") : base;
    Tcl_ListObjAppendElement(nullptr, list, str(name.empty() ? shownBase : name));
    Tcl_ListObjAppendElement(nullptr, list, str(shownBase));
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(node->hint != nullptr ? node->hint : "", -1));
    Tcl_ListObjAppendElement(nullptr, list, enums);
    return list;
}

std::string trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int evaluate(MibTree &mib, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg ...?");
        return TCL_ERROR;
    }
    // The whole word first: Tcl's own lookup (which also takes unique
    // abbreviations and words the error) keeps an index in the word's object,
    // which is new in every evaluated script.
    int sub = -1;
    const char *word = Tcl_GetString(objv[1]);
    for (int i = 0; kSubs[i] != nullptr; ++i) {
        if (std::strcmp(word, kSubs[i]) == 0) {
            sub = i;
            break;
        }
    }
    if (sub < 0 && Tcl_GetIndexFromObj(interp, objv[1], kSubs, "option", 0, &sub) != TCL_OK) {
        return TCL_ERROR;
    }
    if (objc != 2 + kArgs[sub]) {
        Tcl_WrongNumArgs(interp, 2, objv, kUsage[sub]);
        return TCL_ERROR;
    }
    const std::string arg = Tcl_GetString(objv[2]);
    MibPosition pos;
    std::string error;
    if (!mib.resolve(arg, pos, error)) {
        Tcl_SetObjResult(interp, str(error));
        Tcl_SetErrorCode(interp, "TNM", "MIB", "UNKNOWN", arg.c_str(), nullptr);
        return TCL_ERROR;
    }
    struct tree *object = definingNode(pos);

    switch (static_cast<Sub>(sub)) {
    case Oid:
        Tcl_SetObjResult(interp, str(MibTree::dotted(pos.arcs)));
        break;
    case Name: {
        std::string name = pos.node->label != nullptr ? pos.node->label : "";
        if (pos.known < pos.arcs.size()) {
            Arcs rest(pos.arcs.begin() + static_cast<long>(pos.known), pos.arcs.end());
            name += "." + MibTree::dotted(rest);
        }
        Tcl_SetObjResult(interp, str(name));
        break;
    }
    case Label:
        Tcl_SetObjResult(interp, Tcl_NewStringObj(pos.node->label != nullptr ? pos.node->label : "", -1));
        break;
    case Parent:
        Tcl_SetObjResult(interp, str(pos.arcs.size() > 1 ? MibTree::dotted(pos.arcs, pos.arcs.size() - 1) : ""));
        break;
    case Successor: {
        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
        if (pos.known == pos.arcs.size()) {
            const std::string prefix = MibTree::dotted(pos.arcs) + ".";
            for (const struct tree *child : mib.children(pos.node)) {
                Tcl_ListObjAppendElement(nullptr, list, str(prefix + std::to_string(child->subid)));
            }
        }
        Tcl_SetObjResult(interp, list);
        break;
    }
    case Syntax:
        Tcl_SetObjResult(interp, str(object != nullptr ? mib.syntax(object) : ""));
        break;
    case Module:
        Tcl_SetObjResult(interp, str(object != nullptr ? MibTree::moduleOf(object) : ""));
        break;
    case Description:
        Tcl_SetObjResult(interp, Tcl_NewStringObj(
                                     object != nullptr && object->description != nullptr ? object->description : "",
                                     -1));
        break;
    case Access:
        Tcl_SetObjResult(interp, str(MibTree::access(object)));
        break;
    case Tc:
        Tcl_SetObjResult(interp, tcList(object));
        break;
    case Scan:
    case Format: {
        const std::string value = Tcl_GetString(objv[3]);
        const std::string key = trim(value);
        if (MibTree::isObject(object)) {
            for (const struct enum_list *e = object->enums; e != nullptr; e = e->next) {
                if (e->label == nullptr) {
                    continue;
                }
                if (sub == Scan && key == e->label) {
                    Tcl_SetObjResult(interp, Tcl_NewIntObj(e->value));
                    return TCL_OK;
                }
                if (sub == Format && key == std::to_string(e->value)) {
                    Tcl_SetObjResult(interp, Tcl_NewStringObj(e->label, -1));
                    return TCL_OK;
                }
            }
        }
        Tcl_SetObjResult(interp, objv[3]);
        break;
    }
    case Index: {
        Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
        if (pos.known == pos.arcs.size()) {
            for (const auto &name : mib.indexNames(pos.node)) {
                Tcl_ListObjAppendElement(nullptr, list, str(name));
            }
        }
        Tcl_SetObjResult(interp, list);
        break;
    }
    }
    return TCL_OK;
}

} // namespace

int MibCommand::run(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        return evaluate(*static_cast<MibTree *>(data), interp, objc, objv);
    } catch (const std::exception &e) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
        return TCL_ERROR;
    }
}

} // namespace tnm
