#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// Failure messages show Qt's strings as text. Every desktop test includes this before its
// first assertion on a QString, so all of them print the same way.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}
