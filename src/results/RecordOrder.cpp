#include "results/RecordOrder.h"

#include "results/CellValue.h"

#include <QCollator>
#include <QString>
#include <algorithm>
#include <utility>

namespace tbn::results {

namespace {

// Where a value falls before anything of its own kind is compared, in ascending order.
enum class Group { Null, Number, Text, Binary };

// Leaves a sort under way: std::stable_sort cannot be stopped from its comparison otherwise, and
// what it leaves behind is dropped anyway.
struct Cancelled {};

class CancelCheck {
public:
    explicit CancelCheck(const std::atomic<bool>* flag) : flag_(flag) {}
    // Cheap enough for every comparison: the flag is read once in 4096 calls.
    void Tick() {
        if (flag_ && (++calls_ & 0xFFF) == 0 && flag_->load(std::memory_order_relaxed))
            throw Cancelled{};
    }

private:
    const std::atomic<bool>* flag_;
    std::uint32_t calls_ = 0;
};

template <class Key> struct Keyed {
    Key key;
    std::int64_t row;
};

// Sorts one group by its keys, stable, in the direction asked, and appends its rows to `order`.
template <class Key, class Less>
void SortGroup(std::vector<Keyed<Key>>& group, SortDirection direction, Less less,
               CancelCheck& check, std::vector<std::int64_t>& order) {
    if (direction == SortDirection::Ascending)
        std::stable_sort(group.begin(), group.end(), [&](const Keyed<Key>& a, const Keyed<Key>& b) {
            check.Tick();
            return less(a.key, b.key);
        });
    else
        std::stable_sort(group.begin(), group.end(), [&](const Keyed<Key>& a, const Keyed<Key>& b) {
            check.Tick();
            return less(b.key, a.key);
        });
    for (const auto& item : group) order.push_back(item.row);
}

bool LessBytes(std::string_view a, std::string_view b) { return a < b; }

// Where a key lies in a string of keys, in a word: 40 bits reach a terabyte of keys, 24 bits the
// length of a number with millions of digits.
struct KeySpan {
    std::uint64_t at : 40;
    std::uint64_t length : 24;
};

// Parses the digits of a decimal number (no sign) into the significant digits and the power of ten
// of a point before the first of them; false when it is not a number.
bool ParseDecimal(std::string_view text, std::string& digits, std::int64_t& power) {
    std::size_t i = 0;
    std::int64_t integerDigits = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            seenDigit = true;
            if (!seenPoint) ++integerDigits;
            digits += c;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return false;
    std::int64_t exponent = 0;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return false;
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        if (i == text.size()) return false;
        // Far beyond any engine's range; clamped so that the sum below cannot overflow.
        constexpr std::int64_t kClamp = std::int64_t{1} << 40;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            exponent = std::min(kClamp, exponent * 10 + (text[i] - '0'));
        }
        if (negative) exponent = -exponent;
    }
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        digits.clear();
        power = 0;
        return true;
    }
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    power = integerDigits - static_cast<std::int64_t>(first) + exponent;
    return true;
}

bool EqualsNoCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(),
                                                    [](char a, char b) { return (a | 0x20) == b; });
}

// Leading bytes of a number key, in the order of the values they stand for.
enum : unsigned char {
    kMinusInfinity = 0x10,
    kNegative = 0x20,
    kZero = 0x30,
    kPositive = 0x40,
    kPlusInfinity = 0x50,
    kNaN = 0x60,
};

// Text sorts by collation keys, and a key is larger than its text: keys for every record of a
// result held partly on disk would need more memory than the result. So the texts are sorted in
// runs whose keys are made, used and dropped, and the sorted runs are merged holding the key of
// each run's next record only. Between runs the earlier one wins a tie, which keeps the sort
// stable in both directions.
constexpr std::size_t kTextRun = std::size_t{1} << 18;

QCollatorSortKey TextKey(const QCollator& collator, std::string_view text) {
    return collator.sortKey(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void SortTexts(const CellStore& store, std::int64_t col, std::vector<std::int64_t>& rows,
               SortDirection direction, CancelCheck& check, std::vector<std::int64_t>& order) {
    QCollator collator;  // the user's locale
    collator.setNumericMode(false);
    const auto less = [](const QCollatorSortKey& a, const QCollatorSortKey& b) {
        return a.compare(b) < 0;
    };
    std::vector<std::int64_t> sorted;
    sorted.reserve(rows.size());
    std::vector<std::pair<std::size_t, std::size_t>> runs;  // [begin, end) in sorted
    // The runs read the rows in order, so a reader passes over a block kept on disk once.
    CellStore::RowReader reader(store);
    CellValue cell;
    for (std::size_t begin = 0; begin < rows.size(); begin += kTextRun) {
        const std::size_t end = std::min(rows.size(), begin + kTextRun);
        std::vector<Keyed<QCollatorSortKey>> keyed;
        keyed.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            check.Tick();
            reader.Read(rows[i], col, {&cell, 1});
            keyed.push_back({TextKey(collator, cell.text), rows[i]});
        }
        runs.emplace_back(sorted.size(), sorted.size() + keyed.size());
        SortGroup(keyed, direction, less, check, sorted);
    }
    rows.clear();
    rows.shrink_to_fit();
    if (runs.size() <= 1) {
        order.insert(order.end(), sorted.begin(), sorted.end());
        return;
    }
    struct Head {
        QCollatorSortKey key;
        std::size_t run;
    };
    // Whether a comes out after b: the heap's top is the next record in the direction asked.
    const auto after = [direction](const Head& a, const Head& b) {
        const int c = a.key.compare(b.key);
        if (c != 0) return direction == SortDirection::Ascending ? c > 0 : c < 0;
        return a.run > b.run;
    };
    std::vector<Head> heap;
    heap.reserve(runs.size());
    for (std::size_t k = 0; k < runs.size(); ++k)
        heap.push_back({TextKey(collator, store.Cell(sorted[runs[k].first], col)), k});
    std::make_heap(heap.begin(), heap.end(), after);
    while (!heap.empty()) {
        check.Tick();
        std::pop_heap(heap.begin(), heap.end(), after);
        Head& head = heap.back();
        auto& [next, end] = runs[head.run];
        order.push_back(sorted[next]);
        if (++next == end) {
            heap.pop_back();
            continue;
        }
        head.key = TextKey(collator, store.Cell(sorted[next], col));
        std::push_heap(heap.begin(), heap.end(), after);
    }
}
}  // namespace

std::optional<std::string> NumberSortKey(std::string_view text) {
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (EqualsNoCase(body, "infinity") || EqualsNoCase(body, "inf"))
        return std::string(1, static_cast<char>(negative ? kMinusInfinity : kPlusInfinity));
    if (EqualsNoCase(body, "nan")) return std::string(1, static_cast<char>(kNaN));

    std::string digits;
    std::int64_t power = 0;
    if (!ParseDecimal(body, digits, power)) return std::nullopt;
    if (digits.empty()) return std::string(1, static_cast<char>(kZero));  // -0 is 0

    // A larger power, then larger digits, make a larger magnitude; a negative number is the same
    // key with every byte flipped, ended by a byte above any flipped digit so that a shorter one
    // (of a smaller magnitude) comes out greater.
    std::string key;
    key.reserve(1 + 8 + digits.size() + 1);
    key += static_cast<char>(negative ? kNegative : kPositive);
    const std::uint64_t biased =
        static_cast<std::uint64_t>(power) ^ (std::uint64_t{1} << 63);  // big-endian below
    const unsigned char flip = negative ? 0xFF : 0x00;
    for (int shift = 56; shift >= 0; shift -= 8)
        key += static_cast<char>(static_cast<unsigned char>(biased >> shift) ^ flip);
    for (const char d : digits) key += static_cast<char>(static_cast<unsigned char>(d) ^ flip);
    if (negative) key += static_cast<char>(0xFF);
    return key;
}

std::optional<std::vector<std::int64_t>> SortRecords(const CellStore& store, std::int64_t records,
                                                     std::int64_t col, SortDirection direction,
                                                     const std::atomic<bool>* cancel) {
    CancelCheck check(cancel);
    try {
        std::vector<std::int64_t> nulls;
        // Number keys live end to end in one string, a record's key at [at, at + length), and
        // are sorted where they lie: a result of many millions of numbers holds them once.
        std::string numberKeys;
        std::vector<Keyed<KeySpan>> numbers;
        std::vector<std::int64_t> texts;
        std::vector<Keyed<std::string_view>> binaries;
        CellValue cell;
        CellStore::RowReader reader(store);
        for (std::int64_t row = 1; row <= records; ++row) {
            check.Tick();
            reader.Read(row, col, {&cell, 1});
            if (cell.null) {
                nulls.push_back(row);
                continue;
            }
            const std::string_view text = cell.text;
            switch (cell.kind) {
            case core::ValueKind::Number:
                if (const auto key = NumberSortKey(text)) {
                    numbers.push_back({{numberKeys.size(), key->size()}, row});
                    numberKeys += *key;
                    break;
                }
                // A number written in a way of its own (with a currency sign, say) orders as text.
                texts.push_back(row);
                break;
            case core::ValueKind::Text: texts.push_back(row); break;
            // Upper-case hexadecimal, two digits a byte, orders as the bytes themselves.
            case core::ValueKind::Binary: binaries.push_back({text, row}); break;
            }
        }

        std::vector<std::int64_t> order;
        order.reserve(static_cast<std::size_t>(std::max<std::int64_t>(records, 0)));
        const auto appendNulls = [&] { order.insert(order.end(), nulls.begin(), nulls.end()); };
        const auto sortNumbers = [&] {
            const std::string_view keys(numberKeys);
            SortGroup(
                numbers, direction,
                [keys](KeySpan a, KeySpan b) {
                    return keys.substr(a.at, a.length) < keys.substr(b.at, b.length);
                },
                check, order);
        };
        const auto sortTexts = [&] { SortTexts(store, col, texts, direction, check, order); };
        const auto sortBinaries = [&] { SortGroup(binaries, direction, LessBytes, check, order); };

        if (direction == SortDirection::Ascending) {
            appendNulls();
            sortNumbers();
            sortTexts();
            sortBinaries();
        } else {
            sortBinaries();
            sortTexts();
            sortNumbers();
            appendNulls();
        }
        return order;
    } catch (const Cancelled&) {
        return std::nullopt;
    }
}

}  // namespace tbn::results
