#pragma once

#include <QString>
#include <QStringList>

class TTcl;

// The texts that the walk and tabulate windows exchange with the Tcl side, built and
// taken apart without a window. Agent texts (OIDs, values) and user texts (target,
// community, ...) always go into a command as single Tcl words, and replies are split
// with the list rules of the window's own interpreter instead of being evaluated, so
// no byte an agent sends can run as code in the browser.
class SnmpText {
public:
    // One variable binding of a reply: OID, syntax and value; missing elements empty.
    struct Binding {
        QString oid;
        QString syntax;
        QString value;
    };

    // The syntax word the Tcl side gives a binding past the end of the agent's MIB.
    static constexpr const char* endOfMibView = "endOfMibView";

    // "snmp session -address A -community C -timeout T -retries R" for a walk or
    // tabulate window's own session, each value one Tcl word.
    [[nodiscard]] static QString sessionCommand(const QString& target, const QString& community,
                                                const QString& timeout, const QString& retries);

    // The elements of a Tcl list text, split with tcl's list rules; a text that is no
    // list raises ETclEvalException with the interpreter's description.
    [[nodiscard]] static QStringList splitList(TTcl& tcl, const QString& text);
    // One binding (a list of OID, syntax, value) taken apart.
    [[nodiscard]] static Binding binding(TTcl& tcl, const QString& bindingText);
    // The first binding of a reply's binding list; all fields empty for an empty list.
    [[nodiscard]] static Binding firstBinding(TTcl& tcl, const QString& reply);

    // True when oid lies in the subtree rooted at root: it is the root itself or
    // continues it with "." and further arcs. 1.3.6.1.2.1.11 is not below
    // 1.3.6.1.2.1.1. An empty root holds every OID.
    [[nodiscard]] static bool inSubtree(const QString& oid, const QString& root);
    // True when a walk or table pass rooted at root must stop at this binding: it lies
    // outside the subtree or reports the end of the agent's MIB.
    [[nodiscard]] static bool endsSubtree(const Binding& binding, const QString& root);
};
