#include "index/memtable.h"
#include "util/displaytext.h"

#include "tokenizer/libtext.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <stdexcept>

namespace tarnel {


NameCollation::NameCollation(bool caseInsensitive, const QLocale& locale)
    : caseInsensitive_(caseInsensitive), c_(locale.language() == QLocale::C), collator_(locale) {
    collator_.setCaseSensitivity(caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

// The C-locale collator compares without case but its sort keys keep case,
// so that locale is handled here with folded text on both paths.
int NameCollation::Compare(const QString& a, const QString& b) const {
    if (c_) {
        if (!caseInsensitive_) return QString::compare(a, b, Qt::CaseSensitive);
        return QString::compare(a.toCaseFolded(), b.toCaseFolded(), Qt::CaseSensitive);
    }
    return collator_.compare(a, b);
}

NameCollation::Key NameCollation::MakeKey(const QString& s) const {
    Key k;
    if (c_) k.folded = caseInsensitive_ ? s.toCaseFolded() : s;
    else k.k.push_back(collator_.sortKey(s));
    return k;
}

int NameCollation::CompareKeys(const Key& a, const Key& b) const {
    if (c_) return QString::compare(a.folded, b.folded, Qt::CaseSensitive);
    return a.k.front().compare(b.k.front());
}

TMemTable::TMemTable(std::vector<FieldDef> fields, size_t reserve) : fields_(std::move(fields)) {
    rows_.reserve(reserve);
}

int TMemTable::FieldIndex(std::string_view name) const {
    const std::string want = UpperAscii(Trim(name));
    for (size_t i = 0; i < fields_.size(); ++i)
        if (UpperAscii(fields_[i].name) == want) return static_cast<int>(i);
    throw std::invalid_argument("Field '" + std::string(name) + "' not found");
}

void TMemTable::CheckField(int field) const {
    if (field < 0 || field >= FieldCount()) throw std::out_of_range("field index out of range");
}

void TMemTable::EmptyTable() {
    Notify([](TableObserver& o) { o.BeforeReset(); });
    rows_.clear();
    backup_.clear();
    state_ = TableState::Browse;
    cur_ = -1;
    nextSeq_ = 0;
    Notify([](TableObserver& o) { o.AfterReset(); });
    Notify([](TableObserver& o) { o.CurrentChanged(-1); });
}

void TMemTable::Append() {
    if (state_ != TableState::Browse) Post();
    const int row = RowCount();
    Notify([row](TableObserver& o) { o.BeforeAppend(row); });
    Row r;
    r.v.resize(fields_.size());
    r.seq = nextSeq_++;
    rows_.push_back(std::move(r));
    state_ = TableState::Insert;
    cur_ = row;
    Notify([row](TableObserver& o) { o.AfterAppend(row); });
    Notify([row](TableObserver& o) { o.CurrentChanged(row); });
}

void TMemTable::Edit() {
    if (state_ != TableState::Browse) return;
    if (cur_ < 0) throw std::logic_error("Cannot perform this operation on an empty dataset");
    backup_ = rows_[static_cast<size_t>(cur_)].v;
    state_ = TableState::Edit;
}

void TMemTable::Post() {
    if (state_ == TableState::Browse) return;
    state_ = TableState::Browse;
    backup_.clear();
    const int row = cur_;
    Notify([row](TableObserver& o) { o.RecordChanged(row); });
}

void TMemTable::Cancel() {
    if (state_ == TableState::Insert) {
        Notify([](TableObserver& o) { o.BeforeReset(); });
        rows_.pop_back();
        state_ = TableState::Browse;
        cur_ = RowCount() - 1;
        Notify([](TableObserver& o) { o.AfterReset(); });
        const int row = cur_;
        Notify([row](TableObserver& o) { o.CurrentChanged(row); });
    } else if (state_ == TableState::Edit) {
        rows_[static_cast<size_t>(cur_)].v = std::move(backup_);
        backup_.clear();
        state_ = TableState::Browse;
        const int row = cur_;
        Notify([row](TableObserver& o) { o.RecordChanged(row); });
    }
}

TMemTable::Value& TMemTable::PendingField(int field) {
    CheckField(field);
    if (state_ == TableState::Browse || cur_ < 0) throw std::logic_error("Dataset not in edit or insert mode");
    return rows_[static_cast<size_t>(cur_)].v[static_cast<size_t>(field)];
}

void TMemTable::SetText(int field, std::string_view text) {
    Value& v = PendingField(field);
    const int w = fields_[static_cast<size_t>(field)].width;
    if (fields_[static_cast<size_t>(field)].kind == FieldKind::Integer) {
        v.number = ReadInt(text);
        v.null = Trim(text).empty();
        return;
    }
    if (w > 0 && text.size() > static_cast<size_t>(w)) text = text.substr(0, static_cast<size_t>(w));
    v.text.assign(text.data(), text.size());
    v.null = false;
}

void TMemTable::AppendText(int field, std::string_view text) {
    Value& v = PendingField(field);
    if (fields_[static_cast<size_t>(field)].kind != FieldKind::Text) throw std::logic_error("not a text field");
    const int w = fields_[static_cast<size_t>(field)].width;
    if (w > 0) {
        const size_t room = v.text.size() < static_cast<size_t>(w) ? static_cast<size_t>(w) - v.text.size() : 0;
        if (text.size() > room) text = text.substr(0, room);
    }
    v.text.append(text.data(), text.size());
    v.null = false;
}

void TMemTable::SetInt(int field, int64_t value) {
    Value& v = PendingField(field);
    if (fields_[static_cast<size_t>(field)].kind == FieldKind::Text) {
        SetText(field, std::to_string(value));
        return;
    }
    v.number = value;
    v.null = false;
}

void TMemTable::SetNull(int field) {
    Value& v = PendingField(field);
    v = Value{};
}

int TMemTable::RecordCount() const { return RowCount() - (state_ == TableState::Insert ? 1 : 0); }

void TMemTable::SetCurrent(int row) {
    if (row == cur_) return;
    cur_ = row;
    Notify([row](TableObserver& o) { o.CurrentChanged(row); });
}

void TMemTable::First() {
    if (state_ != TableState::Browse) Post();
    SetCurrent(rows_.empty() ? -1 : 0);
}

void TMemTable::MoveTo(int row) {
    if (rows_.empty()) return;
    if (state_ != TableState::Browse) Post();
    SetCurrent(std::clamp(row, 0, RowCount() - 1));
}

const std::string& TMemTable::Text(int row, int field) const {
    CheckField(field);
    return rows_.at(static_cast<size_t>(row)).v[static_cast<size_t>(field)].text;
}

int64_t TMemTable::Int(int row, int field) const {
    CheckField(field);
    return rows_.at(static_cast<size_t>(row)).v[static_cast<size_t>(field)].number;
}

bool TMemTable::IsNull(int row, int field) const {
    CheckField(field);
    return rows_.at(static_cast<size_t>(row)).v[static_cast<size_t>(field)].null;
}

uint64_t TMemTable::AppendSeq(int row) const { return rows_.at(static_cast<size_t>(row)).seq; }

void TMemTable::DisableControls() { ++frozen_; }

void TMemTable::EnableControls() {
    if (frozen_ == 0) return;
    if (--frozen_ > 0) return;
    Notify([](TableObserver& o) { o.BeforeReset(); });
    Notify([](TableObserver& o) { o.AfterReset(); });
    const int row = cur_;
    Notify([row](TableObserver& o) { o.CurrentChanged(row); });
}

void TMemTable::SortOnFields(std::string_view fieldList, bool caseInsensitive, bool descending) {
    if (state_ != TableState::Browse) Post();
    std::vector<int> sortFields;
    size_t start = 0;
    while (start <= fieldList.size()) {
        size_t end = fieldList.find(';', start);
        if (end == std::string_view::npos) end = fieldList.size();
        std::string_view name = Trim(fieldList.substr(start, end - start));
        if (!name.empty()) sortFields.push_back(FieldIndex(name));
        start = end + 1;
    }
    const size_t n = rows_.size();
    if (sortFields.empty() || n < 2) return;

    // Keys are made once per record; comparing them is then cheap.
    const NameCollation col(caseInsensitive);
    std::vector<std::vector<NameCollation::Key>> keys(sortFields.size());
    for (size_t f = 0; f < sortFields.size(); ++f) {
        const size_t fi = static_cast<size_t>(sortFields[f]);
        if (fields_[fi].kind != FieldKind::Text) continue;
        keys[f].reserve(n);
        for (const Row& r : rows_) keys[f].push_back(col.MakeKey(DisplayQString(r.v[fi].text)));
    }
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    auto less = [&](uint32_t a, uint32_t b) {
        const Row& ra = rows_[a];
        const Row& rb = rows_[b];
        for (size_t f = 0; f < sortFields.size(); ++f) {
            const size_t fi = static_cast<size_t>(sortFields[f]);
            int c;
            if (fields_[fi].kind == FieldKind::Text) {
                c = col.CompareKeys(keys[f][a], keys[f][b]);
            } else {
                const Value& va = ra.v[fi];
                const Value& vb = rb.v[fi];
                if (va.null || vb.null) c = (va.null ? 0 : 1) - (vb.null ? 0 : 1);
                else c = va.number < vb.number ? -1 : (va.number > vb.number ? 1 : 0);
            }
            if (c != 0) return descending ? c > 0 : c < 0;
        }
        return ra.seq < rb.seq;
    };
    std::sort(order.begin(), order.end(), less);

    const uint64_t curSeq = cur_ >= 0 ? rows_[static_cast<size_t>(cur_)].seq : 0;
    Notify([](TableObserver& o) { o.BeforeReset(); });
    std::vector<Row> sorted;
    sorted.reserve(std::max(n, rows_.capacity()));
    for (uint32_t i : order) sorted.push_back(std::move(rows_[i]));
    rows_ = std::move(sorted);
    if (cur_ >= 0)
        for (size_t i = 0; i < n; ++i)
            if (rows_[i].seq == curSeq) {
                cur_ = static_cast<int>(i);
                break;
            }
    Notify([](TableObserver& o) { o.AfterReset(); });
    const int row = cur_;
    Notify([row](TableObserver& o) { o.CurrentChanged(row); });
}

bool TMemTable::Matches(int row, int field, const QString& value, int64_t number, bool numeric, LocateOptions opt,
                        const NameCollation* col) const {
    const Value& v = rows_[static_cast<size_t>(row)].v[static_cast<size_t>(field)];
    if (fields_[static_cast<size_t>(field)].kind == FieldKind::Integer) return numeric && !v.null && v.number == number;
    QString text = DisplayQString(v.text);
    if (opt.partial && text.size() > value.size()) text.truncate(value.size());
    if (col) return col->Compare(text, value) == 0;
    return text == value;
}

bool TMemTable::LocateImpl(int field, const QString& value, int64_t number, bool numeric, LocateOptions opt) {
    if (state_ != TableState::Browse) Post();
    if (rows_.empty()) return false;
    NameCollation col(true);
    const NameCollation* pc = opt.caseInsensitive ? &col : nullptr;
    if (cur_ >= 0 && Matches(cur_, field, value, number, numeric, opt, pc)) return true;
    for (int i = 0; i < RowCount(); ++i)
        if (Matches(i, field, value, number, numeric, opt, pc)) {
            SetCurrent(i);
            return true;
        }
    return false;
}

bool TMemTable::Locate(std::string_view field, std::string_view value, LocateOptions opt) {
    const int f = FieldIndex(field);
    int64_t number = 0;
    bool numeric = false;
    if (fields_[static_cast<size_t>(f)].kind == FieldKind::Integer) {
        std::string_view t = Trim(value);
        if (!t.empty() && t.front() == '+') t.remove_prefix(1);
        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), number);
        numeric = !t.empty() && ec == std::errc() && p == t.data() + t.size();
    }
    return LocateImpl(f, DisplayQString(value), number, numeric, opt);
}

bool TMemTable::Locate(std::string_view field, int64_t value, LocateOptions opt) {
    const int f = FieldIndex(field);
    return LocateImpl(f, QString::number(value), value, true, opt);
}

void TMemTable::AddObserver(TableObserver* o) {
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void TMemTable::RemoveObserver(TableObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

} // namespace tarnel
