#pragma once

#include <QString>

// The text of one SNMP request as the main window sends it to the slave:
//   SnmpGlobalRequest TARGET COMMUNITY TIMEOUT RETRIES OPERATION {{OID VALUE}}
// Each parameter field, the OID and the value go in as one Tcl word, so a blank,
// a brace or a bracket in any of them can neither break the request nor run code
// in the slave; for ordinary texts the request reads exactly as it always has, e.g.
//   ... get {{1.3.6.1.2.1.1.3.0 }}     ... set {{1.3.6.1.2.1.1.5.0  {abc}}}
class SnmpRequestText {
public:
    struct Parameters {
        QString target;
        QString community;
        QString timeout;
        QString retries;
    };

    // The value part of a Set on a plain object: a blank and the value braced.
    [[nodiscard]] static QString PlainSetValue(const QString& value);
    // The value part of a Set on an enumerated object, from the label that the
    // value text's split at "(" gave ("down " for "down (2)"): no braces added.
    [[nodiscard]] static QString EnumSetValue(const QString& label);
    // The in-process script that cuts a value choice "label (n)" to its label.
    [[nodiscard]] static QString EnumLabelScript(const QString& valueText);
    // The whole request; valuePart is empty for get and getnext.
    [[nodiscard]] static QString Build(const Parameters& parameters, const QString& operation,
                                       const QString& oid, const QString& valuePart);
};
