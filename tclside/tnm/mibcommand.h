#ifndef TNM_MIBCOMMAND_H
#define TNM_MIBCOMMAND_H

// The `mib` command: lookups in the process-wide MIB tree by name or OID.

#include <tcl.h>

namespace tnm {

class MibCommand {
public:
    // ClientData is the process's MibTree.
    static int run(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
};

} // namespace tnm

#endif
