#include "snmptext.h"

#include "etclevalexception.h"
#include "tclquote.h"
#include "ttcl.h"

QString SnmpText::sessionCommand(const QString& target, const QString& community, const QString& timeout,
                                 const QString& retries)
{
    return QStringLiteral("snmp session -address ") + TclQuote::word(target) + QStringLiteral(" -community ")
        + TclQuote::word(community) + QStringLiteral(" -timeout ") + TclQuote::word(timeout)
        + QStringLiteral(" -retries ") + TclQuote::word(retries);
}

QStringList SnmpText::splitList(TTcl& tcl, const QString& text)
{
    QStringList elements;
    if (tcl.SplitList(text, elements) != 0)
        throw ETclEvalException(tcl.GetResult());
    return elements;
}

SnmpText::Binding SnmpText::binding(TTcl& tcl, const QString& bindingText)
{
    const QStringList fields = splitList(tcl, bindingText);
    Binding b;
    if (fields.size() > 0)
        b.oid = fields.at(0);
    if (fields.size() > 1)
        b.syntax = fields.at(1);
    if (fields.size() > 2)
        b.value = fields.at(2);
    return b;
}

SnmpText::Binding SnmpText::firstBinding(TTcl& tcl, const QString& reply)
{
    const QStringList bindings = splitList(tcl, reply);
    if (bindings.isEmpty())
        return {};
    return binding(tcl, bindings.first());
}

bool SnmpText::inSubtree(const QString& oid, const QString& root)
{
    if (root.isEmpty())
        return true;
    if (!oid.startsWith(root))
        return false;
    return oid.size() == root.size() || oid.at(root.size()) == QLatin1Char('.');
}

bool SnmpText::endsSubtree(const Binding& binding, const QString& root)
{
    return binding.syntax == QLatin1String(endOfMibView) || !inSubtree(binding.oid, root);
}
