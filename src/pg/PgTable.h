#pragma once
// A table on the database server. The current record is held as the DBF driver holds it (a
// deletion byte and each field's stored bytes at its offset), so fields read, assign and refuse
// alike on both drivers. Navigation reads ahead in batches by keyset (key and record number) with
// prepared statements; the batch grows while a walk goes on in one direction.
#include <memory>
#include <string>
#include <vector>

#include "pg/PgDriver.h"
#include "xbase/Engine.h"
#include "xbase/KeyExpr.h"

namespace pg {

class PgTable;

class PgTag final : public xbase::Tag {
public:
    PgTag(std::string name, std::string expression, std::string sql, std::unique_ptr<xbase::KeyExpr> expr,
          std::string index)
        : m_name(std::move(name)), m_expression(std::move(expression)), m_sql(std::move(sql)),
          m_expr(std::move(expr)), m_index(std::move(index)) {}
    const std::string& name() const override { return m_name; }
    const std::string& expression() const override { return m_expression; }
    const std::string& fileName() const override { return m_index; }  // the index's name
    int keyLength() const override { return m_expr->keyLength(); }
    bool unique() const override { return false; }
    bool descending() const override { return false; }

    const std::string& sql() const { return m_sql; }
    const xbase::KeyExpr& expr() const { return *m_expr; }

private:
    std::string m_name, m_expression, m_sql;
    std::unique_ptr<xbase::KeyExpr> m_expr;
    std::string m_index;
};

class PgField final : public xbase::Field {
public:
    PgField(PgTable& table, xbase::FieldLayout layout, int index)
        : m_table(table), m_layout(std::move(layout)), m_index(index) {}
    const std::string& name() const override { return m_layout.name; }
    char type() const override { return m_layout.type; }
    int length() const override { return m_layout.len; }
    int decimals() const override { return m_layout.dec; }
    std::string text() const override { return std::string(view()); }
    std::string memoText() const override;
    long asLong() const override;
    int asInt() const override;
    double asDouble() const override;
    bool isTrue() const override;
    int assignText(std::string_view value) override;
    int assignLong(long value) override;
    int assignInt(int value) override { return assignLong(value); }
    int assignDouble(double value) override;
    int assignMemo(std::string_view value) override;
    int assignMemoN(const char* value, size_t length) override {
        return assignMemo(std::string_view(value, value ? length : 0));
    }
    std::string_view view() const override;
    const xbase::FieldLayout& layout() const { return m_layout; }

private:
    int store(int rc, const std::string& bytes, const std::string& why);
    PgTable& m_table;
    xbase::FieldLayout m_layout;
    int m_index;
};

class PgTable final : public xbase::Table {
public:
    // One record as fetched: the record image (deletion byte, then the fields) and the memo texts.
    struct Row {
        long recno = 0;
        std::string image;
        std::vector<std::string> memos;  // by field index; empty for other fields
    };

    PgTable(PgDriver& driver, std::string name, std::string sqlName);
    // Reads the columns and (auto-open) the tags; a negative code when the table cannot be used.
    int open(bool withTags);

    const std::string& name() const override { return m_name; }
    bool exclusive() const override { return m_exclusive; }
    bool readOnly() const override { return m_readOnly; }
    int close() override;
    const std::vector<xbase::Tag*>& tags() const override { return m_tagList; }
    xbase::Tag* findTag(std::string_view name) const override;
    int selectTag(xbase::Tag* tag) override;
    xbase::Tag* selectedTag() const override { return m_tag; }
    int top() override;
    int bottom() override;
    int skip(long count) override;
    int seek(std::string_view key) override;
    int go(long recno) override;
    long recNo() const override;
    long recCount() const override;
    bool eof() const override { return m_eof; }
    bool bof() const override { return m_bof; }
    int position(double* fraction) override;
    int goPosition(double fraction) override;
    int appendBlank() override;
    int markDeleted() override;
    int recall() override;
    bool isDeleted() const override { return !m_eof && m_cur.image[0] == '*'; }
    int flush(bool sync) override;
    int revert() override;
    int pack() override;
    int compressMemo() override { return xbase::kOk; }
    int zap(long first, long count) override;
    int createIndex(const std::string& group, const std::vector<xbase::TagDef>& tags) override;
    const std::vector<xbase::Field*>& fields() const override { return m_fieldList; }
    xbase::Field* field(std::string_view name) const override;
    void setWalking(bool on) override;

    // For the fields and the driver.
    const Row& current() const { return m_cur; }
    char* editRecord(int* rc);
    std::string* editMemo(int fieldIndex, int* rc);
    int fail(int code, const std::string& message);
    // After a rollback: pending changes are gone and the current record is read again.
    void reread();
    // A table made in the open unit of work is seen by nobody else until it commits: its appends are
    // numbered here and go to the server in blocks by COPY (the fast road for a whole business).
    void appendInBlocks() { m_blocks = true; }

private:
    enum class Fetch { First, Last, After, Before, From, ByRecno };
    int commit();
    Result run(const std::string& sql, const std::vector<Param>& params);
    int needWritable(const char* what);
    std::string statement(Fetch kind) const;
    int fetch(Fetch kind, const std::vector<Param>& params, std::vector<Row>* rows);
    int fetchBatch(Fetch kind, std::vector<Param> params, long limit, long offset, std::vector<Row>* rows);
    void standOn(size_t at);
    void toPhantom(bool bof);
    int loadRecno(long recno);
    int moveForward(long steps);
    int moveBackward(long steps);
    int toFirst(bool bof);
    int countBefore(long* before);
    int refreshCount();
    std::vector<Param> rowParams(const Row& row) const;
    int renumber();
    int sendBlock();
    int loadTags();
    Row blankRow() const;

    PgDriver& m_driver;
    std::string m_name;     // as opened
    std::string m_sqlName;  // quoted table name
    bool m_exclusive = false;
    bool m_readOnly = false;
    std::vector<std::unique_ptr<PgField>> m_fields;
    std::vector<xbase::Field*> m_fieldList;
    std::vector<xbase::FieldLayout> m_layouts;
    std::vector<std::unique_ptr<PgTag>> m_tags;
    std::vector<xbase::Tag*> m_tagList;
    PgTag* m_tag = nullptr;
    std::string m_columns;  // the select list: xb_recno, xb_deleted, the fields
    int m_recordLength = 1;

    Row m_cur, m_orig;
    bool m_eof = true, m_bof = true;
    bool m_dirty = false, m_new = false;
    mutable long m_count = -1;  // record count as last read

    // The batch in hand, in order, and where the current record stands in it.
    std::vector<Row> m_window;
    size_t m_at = 0;
    bool m_windowValid = false;
    bool m_windowHasFirst = false, m_windowHasLast = false;
    long m_batch = 0;
    bool m_walking = false;

    bool m_blocks = false;
    std::string m_block;  // appended records in COPY's text form, not yet sent
};

}  // namespace pg
