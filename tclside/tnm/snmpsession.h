#ifndef TNM_SNMPSESSION_H
#define TNM_SNMPSESSION_H

// `snmp session ?-option value ...?` and the session commands it creates
// (snmp0, snmp1, ...): cget, configure, get, getnext, set, getbulk, destroy.
// Requests are synchronous, on net-snmp's single-session API; the net-snmp
// session is opened on the first request and reopened after a configure, so
// that creating a session sends nothing.

#include <map>
#include <string>
#include <vector>

#include <tcl.h>

namespace tnm {

class MibTree;
struct MibPosition;

class SnmpSession {
public:
    // The `snmp` command; ClientData is the process's MibTree.
    static int snmpCommand(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

    ~SnmpSession();
    SnmpSession(const SnmpSession &) = delete;
    SnmpSession &operator=(const SnmpSession &) = delete;

private:
    explicit SnmpSession(MibTree &mib);

    static int sessionCommand(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
    static void sessionDeleted(ClientData data);

    int dispatch(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
    int configure(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
    int request(Tcl_Interp *interp, int pduType, Tcl_Obj *vbl, long nonRepeaters, long maxRepetitions);
    bool open(Tcl_Interp *interp);
    void close();

    [[nodiscard]] std::string host() const;
    [[nodiscard]] std::string port() const;
    [[nodiscard]] std::string agent() const;
    [[nodiscard]] std::string securityLevel() const;

    MibTree &mib_;
    Tcl_Command token_ = nullptr;
    void *handle_ = nullptr;
    std::map<std::string, std::string> options_;
    bool levelGiven_ = false;
};

} // namespace tnm

#endif
