#include "host/bars/CsvText.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kovra::host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return {begin, static_cast<size_t>(end - begin)};
}

bool AllBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsBlank(c); });
}

// Whether the text leaves a quoted cell open.
bool OpensQuote(std::string_view text) { return std::count(text.begin(), text.end(), '"') % 2 != 0; }

}  // namespace

CsvReader::CsvReader(std::string_view text) : rest_(text), size_(text.size()) {
    if (rest_.substr(0, 3) == "\xEF\xBB\xBF") rest_.remove_prefix(3);
    // Lone CR line ends are told by the first line end; after a CRLF one, a
    // lone CR may still end a line (files put together from several sources).
    const size_t firstEnd = rest_.find_first_of("\r\n");
    if (firstEnd == std::string_view::npos || rest_[firstEnd] != '\r') return;
    if (firstEnd + 1 == rest_.size() || rest_[firstEnd + 1] != '\n')
        lineEnd_ = '\r';
    else
        loneCrToo_ = true;
}

size_t CsvReader::LinesLeft() const {
    return static_cast<size_t>(std::count(rest_.begin(), rest_.end(), lineEnd_)) + 1;
}

bool CsvReader::NextRecord(std::string_view& record) {
    while (!rest_.empty()) {
        recordLine_ = nextLine_;
        const char* start = rest_.data();
        size_t length = 0;
        bool open = false;
        recordQuoted_ = false;
        do {  // a quoted cell carries the record over the line end
            const void* end = std::memchr(rest_.data(), lineEnd_, rest_.size());
            size_t lineLength = end == nullptr ? rest_.size() : static_cast<const char*>(end) - rest_.data();
            if (loneCrToo_) lineLength = EndAtLoneCr(lineLength);
            const std::string_view line = rest_.substr(0, lineLength);
            if (std::memchr(line.data(), '"', line.size()) != nullptr) {
                recordQuoted_ = true;
                if (OpensQuote(line)) open = !open;
            }
            length = static_cast<size_t>(line.data() + lineLength - start);
            rest_.remove_prefix(std::min(lineLength + 1, rest_.size()));
            ++nextLine_;
        } while (open && !rest_.empty());
        record = std::string_view(start, length);
        if (lineEnd_ == '\n' && !record.empty() && record.back() == '\r') record.remove_suffix(1);
        record_ = record;
        if (!AllBlank(record)) return true;
    }
    return false;
}

// The length of the line up to its first CR that no LF follows, or `length`.
size_t CsvReader::EndAtLoneCr(size_t length) const {
    const std::string_view line = rest_.substr(0, length);
    for (size_t cr = line.find('\r'); cr != std::string_view::npos; cr = line.find('\r', cr + 1))
        if (cr + 1 < line.size()) return cr;  // a CR just before the LF ends the line as CRLF
    return length;
}

void CsvReader::ChooseSeparator(std::string_view header) {
    constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};
    std::array<size_t, 3> counts{};
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') quoted = !quoted;
        for (size_t i = 0; i < kSeparators.size(); ++i) counts[i] += !quoted && c == kSeparators[i];
    }
    const size_t most = static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    if (counts[most] > 0)
        separator_ = kSeparators[most];
    else
        separator_ = Trim(header.data(), header.data() + header.size()).find_first_of(" \t") != std::string_view::npos
                         ? ' '
                         : ',';
}

void CsvReader::SplitRecord(std::vector<std::string_view>& cells) {
    cells.clear();
    if (recordQuoted_) return SplitQuoted(cells);
    const char* at = record_.data();
    const char* const end = at + record_.size();
    if (separator_ == ' ') {
        for (;;) {
            while (at < end && IsBlank(*at)) ++at;
            if (at == end) return;
            const char* cellEnd = at;
            while (cellEnd < end && !IsBlank(*cellEnd)) ++cellEnd;
            cells.emplace_back(at, static_cast<size_t>(cellEnd - at));
            at = cellEnd;
        }
    }
    for (;;) {
        const auto* next = static_cast<const char*>(std::memchr(at, separator_, static_cast<size_t>(end - at)));
        if (next == nullptr) {
            cells.push_back(Trim(at, end));
            return;
        }
        cells.push_back(Trim(at, next));
        at = next + 1;
    }
}

// Cell by cell: blanks around a quoted part are dropped, doubled quotes inside
// it stand for one; text after the closing quote is kept as written.
void CsvReader::SplitQuoted(std::vector<std::string_view>& cells) {
    const std::string_view record = record_;
    unquoted_.clear();
    unquoted_.reserve(record.size());  // no reallocation: the views point into it
    const bool spaceRuns = separator_ == ' ';
    const auto isSeparator = [&](char c) { return spaceRuns ? IsBlank(c) : c == separator_; };
    size_t at = 0;
    for (;;) {
        while (at < record.size() && IsBlank(record[at])) ++at;
        if (spaceRuns && at == record.size()) return;
        const size_t cellStart = unquoted_.size();
        while (at < record.size() && !isSeparator(record[at])) {
            if (record[at] != '"') {
                unquoted_ += record[at++];
                continue;
            }
            for (++at; at < record.size(); ++at) {
                if (record[at] == '"' && (at + 1 == record.size() || record[at + 1] != '"')) break;
                if (record[at] == '"') ++at;  // a doubled quote
                unquoted_ += record[at];
            }
            ++at;  // past the closing quote
        }
        const char* base = unquoted_.data();
        cells.push_back(Trim(base + cellStart, base + unquoted_.size()));
        if (at >= record.size()) return;
        ++at;  // past the separator
    }
}

}  // namespace kovra::host
