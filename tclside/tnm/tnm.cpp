// Entry point of the Tnm package: `load libTnm.so Tnm` calls Tnm_Init in each
// interpreter. The MIB is parsed once per process, on the first load.

#include "mibcommand.h"
#include "mibtree.h"
#include "snmpsession.h"

#include <dlfcn.h>
#include <exception>
#include <string>

#include <tcl.h>

namespace {

std::string packageFolder()
{
    Dl_info info {};
    if (dladdr(reinterpret_cast<void *>(&tnm::MibCommand::run), &info) != 0 && info.dli_fname != nullptr) {
        std::string path = info.dli_fname;
        const auto slash = path.find_last_of('/');
        return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    }
    return ".";
}

Tcl_Obj *listOf(const std::vector<std::string> &items)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const auto &item : items) {
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(item.data(), static_cast<int>(item.size())));
    }
    return list;
}

void setElement(Tcl_Interp *interp, const char *element, Tcl_Obj *value)
{
    Tcl_SetVar2Ex(interp, "tnm", element, value, TCL_GLOBAL_ONLY);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int Tnm_Init(Tcl_Interp *interp)
{
    try {
        const std::string folder = packageFolder();
        tnm::MibTree &mib = tnm::MibTree::instance(folder);
        Tcl_CreateObjCommand(interp, "mib", tnm::MibCommand::run, &mib, nullptr);
        Tcl_CreateObjCommand(interp, "snmp", tnm::SnmpSession::snmpCommand, &mib, nullptr);
        setElement(interp, "version", Tcl_NewStringObj(TNM_VERSION, -1));
        setElement(interp, "library", Tcl_NewStringObj(folder.c_str(), -1));
        setElement(interp, "mibdirs", Tcl_NewStringObj(mib.mibDirs().c_str(), -1));
        setElement(interp, "mibs:core", listOf(mib.coreModules()));
        setElement(interp, "mibs", listOf(mib.modules()));
        setElement(interp, "mib:errors", listOf(mib.messages()));
        return Tcl_PkgProvide(interp, "Tnm", TNM_VERSION);
    } catch (const std::exception &e) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(e.what(), -1));
        return TCL_ERROR;
    }
}
