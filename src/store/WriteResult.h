#pragma once
// What a write to the tables came to. A failure keeps the engine's code, the table it happened in and
// the engine's detail, and says why in words a user can act on: another user's lock, a full disk, a
// value too wide for its field.
#include <QString>

#include "store/Catalogue.h"
#include "xbase/Status.h"

namespace store {

class WriteResult {
public:
    WriteResult() = default;  // written

    // The failure of an engine call on a table: takes the code and detail the context holds and clears
    // the context's code, so that no later routine mistakes this failure for its own.
    static WriteResult EngineFailure(int code, TableKey table);
    // The failure of a file the record layer writes itself (a save's journal), with the engine's code.
    static WriteResult FileFailure(const xbase::Status& status, TableKey table);
    // A failure with a reason of the program's own (no engine code).
    static WriteResult Refused(TableKey table, const QString& reason);

    bool ok() const { return m_code >= 0; }
    explicit operator bool() const { return ok(); }
    int code() const { return m_code; }
    // Why, for the user, with the file: "another user has the record locked (CUST5.DBF)".
    QString reason() const;
    // "<what> could not be saved: <reason>." with the hint that nothing was lost.
    QString message(const QString& what) const;

    // Keeps the first failure of several steps.
    WriteResult& operator&=(const WriteResult& next) {
        if (ok()) *this = next;
        return *this;
    }

private:
    int m_code = 0;
    QString m_file;
    QString m_detail;
};

// A rule's verdict, with the write failure behind it when the tables refused the change.
template <class Verdict>
struct Outcome {
    Verdict verdict;
    WriteResult write;

    Outcome(Verdict v, WriteResult w = {}) : verdict(v), write(std::move(w)) {}  // NOLINT: a verdict is an outcome
    bool operator==(Verdict v) const { return verdict == v; }
};

}  // namespace store
