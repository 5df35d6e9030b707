#pragma once
// What the two syntax writers share: the document they write and the XML stream they write it to.
#include <QByteArray>
#include <QXmlStreamWriter>

#include "einvoice/EInvoice.h"

namespace einvoice::detail {

class XmlOut {
protected:
    XmlOut(const Document& d, QByteArray* out) : m_d(d), m_x(out) { m_x.setAutoFormatting(true); }
    void end(int count = 1) {
        for (int i = 0; i < count; ++i) m_x.writeEndElement();
    }

    const Document& m_d;
    QXmlStreamWriter m_x;
};

// The text a writer W (an XmlOut with write()) makes of doc.
template <class W>
QByteArray WriteWith(const Document& doc) {
    QByteArray out;
    W(doc, &out).write();
    return out;
}

}  // namespace einvoice::detail
