#pragma once
// An in-memory table of records with typed, width-limited fields, a current
// record, append/edit/post, a stable multi-field sort and locate. Views
// register as observers; freezing the table holds their notifications back
// until it is thawed.
#include <QCollator>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

enum class FieldKind { Text, Integer };

struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::Text;
    int width = 0;  // characters kept by a text field; 0 means unlimited
};

enum class TableState { Browse, Insert, Edit };

// Notifications to the display controls. Not delivered while the table is
// frozen; thawing delivers one reset and the current record instead.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void BeforeReset() {}
    virtual void AfterReset() {}
    virtual void BeforeAppend(int /*row*/) {}
    virtual void AfterAppend(int /*row*/) {}
    virtual void RecordChanged(int /*row*/) {}
    virtual void CurrentChanged(int /*row*/) {}
};

// Case-insensitive (or exact) comparison of texts by the user's locale.
// The C locale compares case-folded code units.
class NameCollation {
public:
    explicit NameCollation(bool caseInsensitive, const QLocale& locale = QLocale());
    int Compare(const QString& a, const QString& b) const;
    // Keys that compare like Compare, for sorting many texts.
    struct Key {
        QString folded;                  // C locale
        std::vector<QCollatorSortKey> k; // other locales: exactly one
    };
    Key MakeKey(const QString& s) const;
    int CompareKeys(const Key& a, const Key& b) const;

private:
    bool caseInsensitive_;
    bool c_;
    QCollator collator_;
};


struct LocateOptions {
    bool caseInsensitive = false;
    bool partial = false;
};

class TMemTable {
public:
    TMemTable(std::vector<FieldDef> fields, size_t reserve = 0);
    TMemTable(const TMemTable&) = delete;
    TMemTable& operator=(const TMemTable&) = delete;

    const std::vector<FieldDef>& Fields() const { return fields_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // Field names are matched ignoring letter case; an unknown name throws.
    int FieldIndex(std::string_view name) const;

    void EmptyTable();
    // A new record at the end becomes current, pending until Post. A record
    // that was pending is posted first.
    void Append();
    void Edit();
    void Post();
    void Cancel();
    TableState State() const { return state_; }

    // Field values of the pending record (throws outside Append/Edit).
    void SetText(int field, std::string_view text);
    void AppendText(int field, std::string_view text);
    void SetInt(int field, int64_t value);
    void SetNull(int field);

    // Posted records; a pending append is not counted.
    int RecordCount() const;
    // Rows a view shows: the posted records and a pending append.
    int RowCount() const { return static_cast<int>(rows_.size()); }
    int RecNo() const { return cur_; }  // current row, -1 when empty
    void First();
    void MoveTo(int row);

    const std::string& Text(int row, int field) const;
    int64_t Int(int row, int field) const;
    bool IsNull(int row, int field) const;
    // Order of appending since the table was last emptied.
    uint64_t AppendSeq(int row) const;

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return frozen_ > 0; }

    // fieldList: names separated by ";". Ties keep their append order. A
    // pending record is posted first; the current record stays current.
    void SortOnFields(std::string_view fieldList, bool caseInsensitive, bool descending);
    bool Locate(std::string_view field, std::string_view value, LocateOptions opt);
    bool Locate(std::string_view field, int64_t value, LocateOptions opt);

    void AddObserver(TableObserver* o);
    void RemoveObserver(TableObserver* o);

private:
    struct Value {
        std::string text;
        int64_t number = 0;
        bool null = true;
    };
    struct Row {
        std::vector<Value> v;
        uint64_t seq = 0;
    };
    Value& PendingField(int field);
    void CheckField(int field) const;
    bool Matches(int row, int field, const QString& value, int64_t number, bool numeric, LocateOptions opt,
                 const NameCollation* col) const;
    bool LocateImpl(int field, const QString& value, int64_t number, bool numeric, LocateOptions opt);
    void SetCurrent(int row);
    template <typename Fn>
    void Notify(Fn&& fn) {
        if (frozen_ == 0)
            for (TableObserver* o : observers_) fn(*o);
    }

    std::vector<FieldDef> fields_;
    std::vector<Row> rows_;
    std::vector<Value> backup_;  // the edited record before Edit
    TableState state_ = TableState::Browse;
    int cur_ = -1;
    uint64_t nextSeq_ = 0;
    int frozen_ = 0;
    std::vector<TableObserver*> observers_;
};

} // namespace tarnel
