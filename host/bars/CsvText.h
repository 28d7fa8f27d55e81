// Delimited text as spreadsheets and trading tools write it: comma, semicolon,
// tab or runs of spaces between cells (told from the header row), quoted cells
// with doubled quotes inside (RFC 4180), LF, CRLF or lone CR line ends, an
// optional UTF-8 byte-order mark, blank lines anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::host {

class CsvReader {
public:
    explicit CsvReader(std::string_view text);

    // The next record that is not blank (a quoted cell may carry it over line
    // ends), without its line end; false at the end of the text.
    bool NextRecord(std::string_view& record);
    // The line the last record started on (1-based).
    int64_t lineNumber() const { return recordLine_; }
    // Bytes of the text read so far, and in all.
    size_t bytesRead() const { return size_ - rest_.size(); }
    size_t size() const { return size_; }
    // Line ends left in the unread text: a bound for the records still to come.
    size_t LinesLeft() const;

    // Chooses the cell separator: the commonest of comma, semicolon and tab
    // outside quotes in `header`; runs of spaces when it has none of them.
    void ChooseSeparator(std::string_view header);
    char separator() const { return separator_; }  // ' ' for runs of spaces and tabs

    // The cells of the record last returned, without surrounding blanks and
    // quotes. The views stay valid until the next call.
    void SplitRecord(std::vector<std::string_view>& cells);

private:
    void SplitQuoted(std::vector<std::string_view>& cells);
    size_t EndAtLoneCr(size_t length) const;

    std::string_view rest_;
    size_t size_ = 0;
    char lineEnd_ = '\n';
    bool loneCrToo_ = false;  // CRLF line ends, and lone CRs among them
    char separator_ = ',';
    int64_t nextLine_ = 1, recordLine_ = 0;
    std::string_view record_;  // the record last returned
    bool recordQuoted_ = false;
    std::string unquoted_;  // the cells of a record with quotes, unquoted
};

}  // namespace kovra::host
