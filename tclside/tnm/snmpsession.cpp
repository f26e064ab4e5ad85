#include "snmpsession.h"

#include "mibtree.h"
#include "snmpvalue.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/snmpusm.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <strings.h>

namespace tnm {

namespace {

unsigned long gSessionCounter = 0;

const char *const kOptions[] = {"-address",      "-port",          "-community",    "-timeout",
                                "-retries",      "-version",       "-user",         "-context",
                                "-securityLevel", "-authProtocol", "-authPassword", "-privProtocol",
                                "-privPassword", nullptr};

Tcl_Obj *str(const std::string &text)
{
    return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

int fail(Tcl_Interp *interp, const std::string &message, const char *code = "ERROR")
{
    Tcl_SetObjResult(interp, str(message));
    Tcl_SetErrorCode(interp, "SNMP", code, nullptr);
    return TCL_ERROR;
}

const char *statusWord(long status)
{
    static const char *const words[] = {
        "noError",    "tooBig",       "noSuchName",      "badValue",          "readOnly",
        "genErr",     "noAccess",     "wrongType",       "wrongLength",       "wrongEncoding",
        "wrongValue", "noCreation",   "inconsistentValue", "resourceUnavailable", "commitFailed",
        "undoFailed", "authorizationError", "notWritable", "inconsistentName"};
    if (status >= 0 && status < static_cast<long>(sizeof words / sizeof words[0])) {
        return words[status];
    }
    return "genErr";
}

bool isNumber(const std::string &text, bool integer, double low, double high)
{
    if (text.empty()) {
        return false;
    }
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < low || v > high) {
        return false;
    }
    return !integer || text.find_first_not_of("0123456789") == std::string::npos;
}

// Canonical spelling of an enumerated option value, or empty when unknown.
std::string pick(const std::string &value, std::initializer_list<std::pair<const char *, const char *>> table)
{
    for (const auto &entry : table) {
        if (strcasecmp(value.c_str(), entry.first) == 0) {
            return entry.second;
        }
    }
    return {};
}

bool splitAddress(const std::string &address, std::string &host, std::string &port)
{
    host.clear();
    port.clear();
    if (address.empty() || address.find_first_of(" \t\r\n") != std::string::npos) {
        return false;
    }
    if (address[0] == '[') {
        const auto close = address.find(']');
        if (close == std::string::npos || close == 1) {
            return false;
        }
        host = address.substr(1, close - 1);
        if (close + 1 < address.size()) {
            if (address[close + 1] != ':') {
                return false;
            }
            port = address.substr(close + 2);
            if (port.empty()) {
                return false;
            }
        }
        return true;
    }
    const auto colons = std::count(address.begin(), address.end(), ':');
    if (colons == 1) {
        const auto colon = address.find(':');
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        return !host.empty() && !port.empty();
    }
    host = address;
    return true;
}

bool validPort(const std::string &port)
{
    return isNumber(port, true, 1, 65535);
}

} // namespace

SnmpSession::SnmpSession(MibTree &mib) : mib_(mib)
{
    options_ = {{"-address", "127.0.0.1"}, {"-port", "161"},        {"-community", "public"},
                {"-timeout", "5"},         {"-retries", "3"},       {"-version", "SNMPv2c"},
                {"-user", ""},             {"-context", ""},        {"-authProtocol", "SHA"},
                {"-authPassword", ""},     {"-privProtocol", "AES"}, {"-privPassword", ""}};
}

SnmpSession::~SnmpSession()
{
    close();
}

void SnmpSession::close()
{
    if (handle_ != nullptr) {
        snmp_sess_close(handle_);
        handle_ = nullptr;
    }
}

std::string SnmpSession::host() const
{
    std::string h;
    std::string p;
    splitAddress(options_.at("-address"), h, p);
    return h;
}

std::string SnmpSession::port() const
{
    std::string h;
    std::string p;
    splitAddress(options_.at("-address"), h, p);
    return p.empty() ? options_.at("-port") : p;
}

std::string SnmpSession::agent() const
{
    const std::string h = host();
    return (h.find(':') != std::string::npos ? "[" + h + "]" : h) + ":" + port();
}

std::string SnmpSession::securityLevel() const
{
    if (levelGiven_) {
        return options_.at("-securityLevel");
    }
    if (!options_.at("-privPassword").empty()) {
        return "authPriv";
    }
    if (!options_.at("-authPassword").empty()) {
        return "authNoPriv";
    }
    return "noAuthNoPriv";
}

int SnmpSession::snmpCommand(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        static const char *const subs[] = {"session", nullptr};
        if (objc < 2) {
            Tcl_WrongNumArgs(interp, 1, objv, "session ?-option value ...?");
            return TCL_ERROR;
        }
        int sub = 0;
        if (Tcl_GetIndexFromObj(interp, objv[1], subs, "option", 0, &sub) != TCL_OK) {
            return TCL_ERROR;
        }
        std::unique_ptr<SnmpSession> session(new SnmpSession(*static_cast<MibTree *>(data)));
        if (session->configure(interp, objc - 2, objv + 2) != TCL_OK) {
            return TCL_ERROR;
        }
        std::string name;
        Tcl_CmdInfo info;
        do {
            name = "snmp" + std::to_string(gSessionCounter++);
        } while (Tcl_GetCommandInfo(interp, name.c_str(), &info) != 0);
        SnmpSession *raw = session.release();
        // From here the interpreter owns the session: it is deleted with its
        // command, by "destroy", by renaming the command away or with the
        // interpreter.
        raw->token_ = Tcl_CreateObjCommand(interp, name.c_str(), sessionCommand, raw, sessionDeleted);
        Tcl_SetObjResult(interp, str(name));
        return TCL_OK;
    } catch (const std::exception &e) {
        return fail(interp, e.what());
    }
}

void SnmpSession::sessionDeleted(ClientData data)
{
    delete static_cast<SnmpSession *>(data);
}

int SnmpSession::sessionCommand(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        return static_cast<SnmpSession *>(data)->dispatch(interp, objc, objv);
    } catch (const std::exception &e) {
        return fail(interp, e.what());
    }
}

int SnmpSession::dispatch(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const subs[] = {"cget", "configure", "get", "getnext", "set", "getbulk", "destroy", nullptr};
    enum { Cget, Configure, Get, GetNext, Set, GetBulk, Destroy };
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg ...?");
        return TCL_ERROR;
    }
    int sub = 0;
    if (Tcl_GetIndexFromObj(interp, objv[1], subs, "option", 0, &sub) != TCL_OK) {
        return TCL_ERROR;
    }
    switch (sub) {
    case Cget: {
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "option");
            return TCL_ERROR;
        }
        int index = 0;
        if (Tcl_GetIndexFromObj(interp, objv[2], kOptions, "option", TCL_EXACT, &index) != TCL_OK) {
            return TCL_ERROR;
        }
        const std::string option = kOptions[index];
        Tcl_SetObjResult(interp, str(option == "-securityLevel" ? securityLevel() : options_.at(option)));
        return TCL_OK;
    }
    case Configure:
        if (objc == 2) {
            Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
            for (int i = 0; kOptions[i] != nullptr; ++i) {
                const std::string option = kOptions[i];
                Tcl_ListObjAppendElement(nullptr, list, str(option));
                Tcl_ListObjAppendElement(nullptr, list,
                                         str(option == "-securityLevel" ? securityLevel() : options_.at(option)));
            }
            Tcl_SetObjResult(interp, list);
            return TCL_OK;
        }
        return configure(interp, objc - 2, objv + 2);
    case Get:
    case GetNext:
    case Set:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "varBindList");
            return TCL_ERROR;
        }
        return request(interp, sub == Get ? SNMP_MSG_GET : sub == GetNext ? SNMP_MSG_GETNEXT : SNMP_MSG_SET, objv[2],
                       0, 0);
    case GetBulk: {
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "nonRepeaters maxRepetitions varBindList");
            return TCL_ERROR;
        }
        int nonRepeaters = 0;
        int maxRepetitions = 0;
        if (Tcl_GetIntFromObj(interp, objv[2], &nonRepeaters) != TCL_OK ||
            Tcl_GetIntFromObj(interp, objv[3], &maxRepetitions) != TCL_OK) {
            return TCL_ERROR;
        }
        if (nonRepeaters < 0 || maxRepetitions < 0) {
            return fail(interp, "getbulk needs non-negative counts");
        }
        if (options_.at("-version") == "SNMPv1") {
            return fail(interp, "getbulk needs SNMPv2c or SNMPv3");
        }
        return request(interp, SNMP_MSG_GETBULK, objv[4], nonRepeaters, maxRepetitions);
    }
    case Destroy:
        if (objc != 2) {
            Tcl_WrongNumArgs(interp, 2, objv, nullptr);
            return TCL_ERROR;
        }
        Tcl_DeleteCommandFromToken(interp, token_);
        return TCL_OK;
    }
    return TCL_OK;
}

int SnmpSession::configure(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc % 2 != 0) {
        return fail(interp, std::string("value for \"") + Tcl_GetString(objv[objc - 1]) + "\" missing");
    }
    // Check everything before changing anything.
    std::map<std::string, std::string> updated = options_;
    bool levelGiven = levelGiven_;
    for (int i = 0; i < objc; i += 2) {
        int index = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], kOptions, "option", TCL_EXACT, &index) != TCL_OK) {
            return TCL_ERROR;
        }
        const std::string option = kOptions[index];
        std::string value = Tcl_GetString(objv[i + 1]);
        auto bad = [&](const std::string &what) {
            return fail(interp, "invalid " + option + " \"" + value + "\": " + what);
        };
        if (option == "-address") {
            std::string h;
            std::string p;
            if (!splitAddress(value, h, p) || (!p.empty() && !validPort(p))) {
                return bad("expected a host name, an IPv4 or IPv6 address, optionally with :port");
            }
        } else if (option == "-port") {
            if (!validPort(value)) {
                return bad("expected a port number");
            }
        } else if (option == "-timeout") {
            if (!isNumber(value, false, 0.001, 3600)) {
                return bad("expected a number of seconds");
            }
        } else if (option == "-retries") {
            if (!isNumber(value, true, 0, 100)) {
                return bad("expected a whole number");
            }
        } else if (option == "-version") {
            value = pick(value, {{"SNMPv1", "SNMPv1"}, {"v1", "SNMPv1"}, {"1", "SNMPv1"},
                                 {"SNMPv2c", "SNMPv2c"}, {"v2c", "SNMPv2c"}, {"2c", "SNMPv2c"},
                                 {"SNMPv3", "SNMPv3"}, {"v3", "SNMPv3"}, {"3", "SNMPv3"}});
            if (value.empty()) {
                value = Tcl_GetString(objv[i + 1]);
                return bad("expected SNMPv1, SNMPv2c or SNMPv3");
            }
        } else if (option == "-securityLevel") {
            value = pick(value, {{"noAuthNoPriv", "noAuthNoPriv"}, {"authNoPriv", "authNoPriv"},
                                 {"authPriv", "authPriv"}});
            if (value.empty()) {
                value = Tcl_GetString(objv[i + 1]);
                return bad("expected noAuthNoPriv, authNoPriv or authPriv");
            }
            levelGiven = true;
        } else if (option == "-authProtocol") {
            value = pick(value, {{"MD5", "MD5"}, {"SHA", "SHA"}, {"SHA-1", "SHA"}, {"SHA-224", "SHA-224"},
                                 {"SHA-256", "SHA-256"}, {"SHA-384", "SHA-384"}, {"SHA-512", "SHA-512"}});
            if (value.empty()) {
                value = Tcl_GetString(objv[i + 1]);
                return bad("expected MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512");
            }
        } else if (option == "-privProtocol") {
            value = pick(value, {{"DES", "DES"}, {"AES", "AES"}, {"AES-128", "AES"}, {"AES-192", "AES-192"},
                                 {"AES-256", "AES-256"}});
            if (value.empty()) {
                value = Tcl_GetString(objv[i + 1]);
                return bad("expected DES, AES, AES-192 or AES-256");
            }
        }
        updated[option] = value;
    }
    options_ = std::move(updated);
    levelGiven_ = levelGiven;
    close();
    return TCL_OK;
}

bool SnmpSession::open(Tcl_Interp *interp)
{
    if (handle_ != nullptr) {
        return true;
    }
    netsnmp_session s;
    snmp_sess_init(&s);
    const std::string h = host();
    std::string peer = (h.find(':') != std::string::npos ? "udp6:[" + h + "]" : "udp:" + h) + ":" + port();
    s.peername = &peer[0];
    const int retries = std::stoi(options_.at("-retries"));
    const double seconds = std::strtod(options_.at("-timeout").c_str(), nullptr);
    // -timeout bounds the whole request: net-snmp's is per try.
    s.retries = retries;
    s.timeout = std::max(1000L, static_cast<long>(seconds * 1e6 / (retries + 1)));

    const std::string version = options_.at("-version");
    std::string community = options_.at("-community");
    std::string user = options_.at("-user");
    std::string context = options_.at("-context");
    if (version != "SNMPv3") {
        s.version = version == "SNMPv1" ? SNMP_VERSION_1 : SNMP_VERSION_2c;
        s.community = reinterpret_cast<u_char *>(&community[0]);
        s.community_len = community.size();
    } else {
        s.version = SNMP_VERSION_3;
        s.securityName = &user[0];
        s.securityNameLen = user.size();
        s.contextName = &context[0];
        s.contextNameLen = context.size();
        const std::string level = securityLevel();
        s.securityLevel = level == "authPriv"     ? SNMP_SEC_LEVEL_AUTHPRIV
                          : level == "authNoPriv" ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                                  : SNMP_SEC_LEVEL_NOAUTH;
        if (s.securityLevel != SNMP_SEC_LEVEL_NOAUTH) {
            const std::string auth = options_.at("-authProtocol");
            oid *proto = usmHMACSHA1AuthProtocol;
            std::size_t protoLen = OID_LENGTH(usmHMACSHA1AuthProtocol);
            if (auth == "MD5") {
                proto = usmHMACMD5AuthProtocol;
                protoLen = OID_LENGTH(usmHMACMD5AuthProtocol);
            } else if (auth == "SHA-224") {
                proto = usmHMAC128SHA224AuthProtocol;
                protoLen = OID_LENGTH(usmHMAC128SHA224AuthProtocol);
            } else if (auth == "SHA-256") {
                proto = usmHMAC192SHA256AuthProtocol;
                protoLen = OID_LENGTH(usmHMAC192SHA256AuthProtocol);
            } else if (auth == "SHA-384") {
                proto = usmHMAC256SHA384AuthProtocol;
                protoLen = OID_LENGTH(usmHMAC256SHA384AuthProtocol);
            } else if (auth == "SHA-512") {
                proto = usmHMAC384SHA512AuthProtocol;
                protoLen = OID_LENGTH(usmHMAC384SHA512AuthProtocol);
            }
            s.securityAuthProto = proto;
            s.securityAuthProtoLen = protoLen;
            s.securityAuthKeyLen = USM_AUTH_KU_LEN;
            const std::string &pass = options_.at("-authPassword");
            if (generate_Ku(proto, static_cast<u_int>(protoLen),
                            reinterpret_cast<const u_char *>(pass.data()), pass.size(), s.securityAuthKey,
                            &s.securityAuthKeyLen) != SNMPERR_SUCCESS) {
                fail(interp, "cannot use -authPassword for " + agent() + ": it needs at least 8 characters");
                return false;
            }
            if (s.securityLevel == SNMP_SEC_LEVEL_AUTHPRIV) {
                const std::string priv = options_.at("-privProtocol");
                if (priv == "DES") {
                    s.securityPrivProto = usmDESPrivProtocol;
                    s.securityPrivProtoLen = OID_LENGTH(usmDESPrivProtocol);
                } else if (priv == "AES-192") {
                    s.securityPrivProto = usmAES192PrivProtocol;
                    s.securityPrivProtoLen = OID_LENGTH(usmAES192PrivProtocol);
                } else if (priv == "AES-256") {
                    s.securityPrivProto = usmAES256PrivProtocol;
                    s.securityPrivProtoLen = OID_LENGTH(usmAES256PrivProtocol);
                } else {
                    s.securityPrivProto = usmAESPrivProtocol;
                    s.securityPrivProtoLen = OID_LENGTH(usmAESPrivProtocol);
                }
                s.securityPrivKeyLen = USM_PRIV_KU_LEN;
                const std::string &privPass = options_.at("-privPassword");
                if (generate_Ku(proto, static_cast<u_int>(protoLen),
                                reinterpret_cast<const u_char *>(privPass.data()), privPass.size(),
                                s.securityPrivKey, &s.securityPrivKeyLen) != SNMPERR_SUCCESS) {
                    fail(interp, "cannot use -privPassword for " + agent() + ": it needs at least 8 characters");
                    return false;
                }
            }
        }
    }
    if (s.version == SNMP_VERSION_3) {
        // net-snmp keeps the keys of a user process-wide and does not replace
        // them when a session for the same user opens: forget the user, so that
        // the passwords given now are the ones used.
        for (struct usmUser *u = usm_get_userList(); u != nullptr;) {
            struct usmUser *next = u->next;
            if (u->name != nullptr && user == u->name) {
                usm_remove_user(u);
                usm_free_user(u);
            }
            u = next;
        }
    }
    handle_ = snmp_sess_open(&s);
    if (handle_ == nullptr) {
        int libError = 0;
        int sysError = 0;
        char *text = nullptr;
        snmp_error(&s, &libError, &sysError, &text);
        std::string message = text != nullptr ? text : "unknown error";
        SNMP_FREE(text);
        // An SNMPv3 session discovers the agent's engine when it opens.
        if (libError == SNMPERR_TIMEOUT || libError == SNMPERR_UNKNOWN_ENG_ID) {
            fail(interp, "noResponse from agent " + agent(), "noResponse");
        } else {
            fail(interp, "cannot open a session to agent " + agent() + ": " + message);
        }
        return false;
    }
    return true;
}

int SnmpSession::request(Tcl_Interp *interp, int pduType, Tcl_Obj *vbl, long nonRepeaters, long maxRepetitions)
{
    int count = 0;
    Tcl_Obj **elements = nullptr;
    if (Tcl_ListObjGetElements(interp, vbl, &count, &elements) != TCL_OK) {
        return TCL_ERROR;
    }
    if (count == 0) {
        return fail(interp, "empty variable binding list");
    }
    std::vector<Arcs> oids(static_cast<std::size_t>(count));
    std::vector<EncodedValue> values(pduType == SNMP_MSG_SET ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i) {
        int parts = 0;
        Tcl_Obj **binding = nullptr;
        if (Tcl_ListObjGetElements(interp, elements[i], &parts, &binding) != TCL_OK) {
            return TCL_ERROR;
        }
        const std::string bindingText = Tcl_GetString(elements[i]);
        if (parts < 1) {
            return fail(interp, "empty variable binding " + std::to_string(i + 1));
        }
        const std::string oidText = Tcl_GetString(binding[0]);
        Arcs &arcs = oids[static_cast<std::size_t>(i)];
        if (!MibTree::parseDotted(oidText, arcs)) {
            MibPosition pos;
            std::string error;
            if (!mib_.resolve(oidText, pos, error)) {
                return fail(interp, error);
            }
            arcs = pos.arcs;
        }
        if (arcs.size() < 2) {
            return fail(interp, "invalid object identifier \"" + oidText + "\"");
        }
        if (pduType != SNMP_MSG_SET) {
            continue;
        }
        if (parts != 2 && parts != 3) {
            return fail(interp, "variable binding \"" + bindingText + "\" needs {oid value} or {oid syntax value}");
        }
        const MibPosition pos = mib_.locate(arcs);
        const struct tree *object = MibTree::isObject(pos.node) ? pos.node : nullptr;
        std::string syntax = parts == 3 ? Tcl_GetString(binding[1]) : "";
        if (!syntax.empty() && object != nullptr &&
            (syntax == MibTree::tcName(object) || syntax == mib_.syntax(pos.node))) {
            syntax.clear();
        }
        std::string error;
        if (!SnmpValue::encode(mib_, syntax, binding[parts - 1], object, values[static_cast<std::size_t>(i)],
                               error)) {
            return fail(interp, error + " (binding " + std::to_string(i + 1) + ", " + MibTree::dotted(arcs) + ")");
        }
    }

    if (!open(interp)) {
        return TCL_ERROR;
    }
    const bool v1 = options_.at("-version") == "SNMPv1";
    auto bindingObj = [this](const netsnmp_variable_list *vb, const Arcs *requested) {
        Arcs arcs;
        for (std::size_t k = 0; k < vb->name_length; ++k) {
            arcs.push_back(static_cast<std::uint32_t>(vb->name[k]));
        }
        if (requested != nullptr && vb->type == SNMP_ENDOFMIBVIEW) {
            arcs = *requested;
        }
        const MibPosition pos = mib_.locate(arcs);
        const struct tree *object = MibTree::isObject(pos.node) ? pos.node : nullptr;
        Tcl_Obj *parts[3] = {str(MibTree::dotted(arcs)), str(SnmpValue::syntaxWord(vb, object)),
                             SnmpValue::value(vb, object)};
        return Tcl_NewListObj(3, parts);
    };
    auto endOfMib = [](const Arcs &requested) {
        Tcl_Obj *parts[3] = {str(MibTree::dotted(requested)), str("endOfMibView"), Tcl_NewObj()};
        return Tcl_NewListObj(3, parts);
    };

    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < oids.size(); ++i) {
        pending.push_back(i);
    }
    std::vector<Tcl_Obj *> answers(oids.size(), nullptr);
    Tcl_Obj *result = Tcl_NewListObj(0, nullptr);
    Tcl_IncrRefCount(result);
    auto dropAnswers = [&]() {
        for (Tcl_Obj *obj : answers) {
            if (obj != nullptr) {
                Tcl_DecrRefCount(obj);
            }
        }
        Tcl_DecrRefCount(result);
    };

    while (!pending.empty()) {
        netsnmp_pdu *pdu = snmp_pdu_create(pduType);
        if (pduType == SNMP_MSG_GETBULK) {
            pdu->non_repeaters = nonRepeaters;
            pdu->max_repetitions = maxRepetitions;
        }
        for (std::size_t index : pending) {
            std::vector<oid> name(oids[index].begin(), oids[index].end());
            if (pduType == SNMP_MSG_SET) {
                const EncodedValue &v = values[index];
                snmp_pdu_add_variable(pdu, name.data(), name.size(), v.type,
                                      v.bytes.empty() ? nullptr : v.bytes.data(), v.bytes.size());
            } else {
                snmp_add_null_var(pdu, name.data(), name.size());
            }
        }
        netsnmp_pdu *response = nullptr;
        const int status = snmp_sess_synch_response(handle_, pdu, &response);
        if (status != STAT_SUCCESS || response == nullptr) {
            if (response != nullptr) {
                snmp_free_pdu(response);
            }
            dropAnswers();
            if (status == STAT_TIMEOUT) {
                return fail(interp, "noResponse from agent " + agent(), "noResponse");
            }
            int libError = 0;
            int sysError = 0;
            char *text = nullptr;
            snmp_sess_error(handle_, &libError, &sysError, &text);
            std::string message = text != nullptr ? text : "unknown error";
            SNMP_FREE(text);
            return fail(interp, "request to agent " + agent() + " failed: " + message);
        }
        const long errorStatus = response->errstat;
        const long errorIndex = response->errindex;
        if (errorStatus != SNMP_ERR_NOERROR) {
            snmp_free_pdu(response);
            const bool inRange = errorIndex >= 1 && errorIndex <= static_cast<long>(pending.size());
            // An SNMPv1 agent ends its MIB view with noSuchName on getnext:
            // answer that binding like SNMPv2's endOfMibView and ask again for
            // the others.
            if (v1 && pduType == SNMP_MSG_GETNEXT && errorStatus == SNMP_ERR_NOSUCHNAME && inRange) {
                const std::size_t index = pending[static_cast<std::size_t>(errorIndex - 1)];
                answers[index] = endOfMib(oids[index]);
                Tcl_IncrRefCount(answers[index]);
                pending.erase(pending.begin() + (errorIndex - 1));
                continue;
            }
            dropAnswers();
            std::string message = statusWord(errorStatus);
            if (inRange) {
                const std::size_t index = pending[static_cast<std::size_t>(errorIndex - 1)];
                message += " on binding " + std::to_string(index + 1) + " (" + MibTree::dotted(oids[index]) + ")";
            }
            message += " from agent " + agent();
            return fail(interp, message, statusWord(errorStatus));
        }
        if (pduType == SNMP_MSG_GETBULK) {
            for (netsnmp_variable_list *vb = response->variables; vb != nullptr; vb = vb->next_variable) {
                Tcl_ListObjAppendElement(nullptr, result, bindingObj(vb, nullptr));
            }
            snmp_free_pdu(response);
            break;
        }
        std::size_t k = 0;
        for (netsnmp_variable_list *vb = response->variables; vb != nullptr && k < pending.size();
             vb = vb->next_variable, ++k) {
            const std::size_t index = pending[k];
            answers[index] = bindingObj(vb, pduType == SNMP_MSG_GETNEXT ? &oids[index] : nullptr);
            Tcl_IncrRefCount(answers[index]);
        }
        snmp_free_pdu(response);
        pending.clear();
    }
    for (Tcl_Obj *&obj : answers) {
        if (obj != nullptr) {
            Tcl_ListObjAppendElement(nullptr, result, obj);
            Tcl_DecrRefCount(obj);
            obj = nullptr;
        }
    }
    Tcl_SetObjResult(interp, result);
    Tcl_DecrRefCount(result);
    return TCL_OK;
}

} // namespace tnm
