#include "data/jet_sql.h"

#include <windows.h>

#include <oleauto.h>

#include <cwctype>
#include <vector>

#include "data/errors.h"
#include "data/values.h"

namespace kb::data {
namespace {

constexpr LCID kDateLiteralLocale = 0x0409;  // #m/d/yyyy# whatever the user's locale

bool IsWordChar(wchar_t c) { return c == L'_' || c == L'$' || std::iswalnum(c) || c > 0x7F; }

std::wstring Upper(std::wstring_view word) {
  std::wstring out(word);
  for (auto& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

class Translator {
 public:
  explicit Translator(std::wstring_view sql) : in_(sql) {}

  std::wstring Run() {
    while (at_ < in_.size()) Next();
    CloseLimit(0);
    // A limit goes before the statement's closing semicolon, if any.
    if (!pendingEnd_.empty()) {
      size_t end = out_.size();
      while (end > 0 && (out_[end - 1] == L';' || std::iswspace(out_[end - 1]))) --end;
      out_.insert(end, pendingEnd_);
    }
    return out_;
  }

 private:
  void Next() {
    const wchar_t c = in_[at_];
    if (c == L'\'') return Quoted(L'\'');
    if (c == L'"') return Quoted(L'"');
    if (c == L'[') return Verbatim(L']');
    if (c == L'`') return Verbatim(L'`');
    if (c == L'#') return DateLiteral();
    if (c == L'&') {
      out_ += L"||";
      ++at_;
      lastWord_.clear();
      return;
    }
    if (c == L'(') {
      ++depth_;
      lastWord_.clear();
    } else if (c == L')') {
      CloseLimit(depth_);
      if (depth_ > 0) --depth_;
      lastWord_.clear();
    } else if (IsWordChar(c)) {
      return Word();
    } else if (!std::iswspace(c)) {
      lastWord_.clear();
    }
    out_ += c;
    ++at_;
  }

  // A text literal; Jet's double-quoted texts become the engine's single-quoted.
  void Quoted(wchar_t quote) {
    const bool pattern = lastWord_ == L"LIKE";
    std::wstring text;
    ++at_;
    for (;;) {
      if (at_ >= in_.size())
        FailEngine(kErrorsInCommand, L"A text in the SQL statement has no closing quotation mark.");
      const wchar_t c = in_[at_++];
      if (c == quote) {
        if (at_ < in_.size() && in_[at_] == quote) {
          text += quote;
          ++at_;
          continue;
        }
        break;
      }
      text += c;
    }
    out_ += L'\'';
    for (wchar_t c : text) {
      if (c == L'\'')
        out_ += L"''";
      else if (pattern && c == L'*')
        out_ += L'%';
      else if (pattern && c == L'?')
        out_ += L'_';
      else
        out_ += c;
    }
    out_ += L'\'';
    lastWord_.clear();
  }

  void Verbatim(wchar_t close) {
    const size_t end = in_.find(close, at_ + 1);
    const size_t stop = end == in_.npos ? in_.size() : end + 1;
    out_.append(in_.substr(at_, stop - at_));
    at_ = stop;
    lastWord_.clear();
  }

  void DateLiteral() {
    const size_t end = in_.find(L'#', at_ + 1);
    if (end == in_.npos)
      FailEngine(kErrorsInCommand, L"A date in the SQL statement has no closing #.");
    const std::wstring body(in_.substr(at_ + 1, end - at_ - 1));
    DATE date = 0;
    Bstr text(body);
    if (body.empty() || FAILED(::VarDateFromStr(text.Get(), kDateLiteralLocale, 0, &date)))
      FailEngine(kErrorsInCommand,
                 L"Syntax error in the date #" + body + L"# of the SQL statement.");
    out_ += L'\'' + Wide(StoredDate(date)) + L'\'';
    at_ = end + 1;
    lastWord_.clear();
  }

  void SkipSpaces() {
    while (at_ < in_.size() && std::iswspace(in_[at_])) ++at_;
  }

  void Word() {
    const size_t start = at_;
    while (at_ < in_.size() && IsWordChar(in_[at_])) ++at_;
    const std::wstring_view word = in_.substr(start, at_ - start);
    const std::wstring upper = Upper(word);
    if (upper == L"TOP" &&
        (lastWord_ == L"SELECT" || lastWord_ == L"DISTINCT" || lastWord_ == L"ALL"))
      return Top();
    if ((upper == L"COUNTER" || upper == L"AUTOINCREMENT") && lastWord_ != L"KEY") return Counter();
    if (upper == L"TRUE")
      out_ += L"-1";
    else if (upper == L"FALSE")
      out_ += L"0";
    else
      out_.append(word);
    lastWord_ = upper;
    if (upper == L"DELETE") {
      // DELETE * FROM: the engine deletes whole rows without the star.
      const size_t keep = at_;
      SkipSpaces();
      if (at_ < in_.size() && in_[at_] == L'*')
        ++at_;
      else
        at_ = keep;
    }
  }

  // A COUNTER (AUTOINCREMENT) column numbers its rows itself: the engine does
  // that for its integer primary key.
  void Counter() {
    size_t next = at_;
    while (next < in_.size() && std::iswspace(in_[next])) ++next;
    if (next < in_.size() && in_[next] == L'(') {  // the seed and step
      const size_t close = in_.find(L')', next);
      at_ = next = close == in_.npos ? in_.size() : close + 1;
    }
    while (next < in_.size() && std::iswspace(in_[next])) ++next;
    size_t end = next;
    while (end < in_.size() && IsWordChar(in_[end])) ++end;
    const bool key = Upper(in_.substr(next, end - next)) == L"PRIMARY";
    out_ += key ? L"INTEGER" : L"INTEGER PRIMARY KEY AUTOINCREMENT";
    lastWord_ = L"INTEGER";
  }

  void Top() {
    SkipSpaces();
    const size_t start = at_;
    while (at_ < in_.size() && std::iswdigit(in_[at_])) ++at_;
    if (start == at_) FailEngine(kErrorsInCommand, L"TOP must be followed by a number of rows.");
    const std::wstring count(in_.substr(start, at_ - start));
    const size_t afterCount = at_;
    SkipSpaces();
    const size_t wordStart = at_;
    while (at_ < in_.size() && IsWordChar(in_[at_])) ++at_;
    if (Upper(in_.substr(wordStart, at_ - wordStart)) == L"PERCENT")
      FailEngine(kErrorsInCommand, L"TOP n PERCENT is not supported.");
    at_ = afterCount;
    SkipSpaces();
    limits_.push_back({depth_, L" LIMIT " + count});
    lastWord_ = L"TOP";
  }

  // Ends the TOP of the SELECT that runs at `depth`.
  void CloseLimit(int depth) {
    if (limits_.empty() || limits_.back().depth != depth) return;
    if (depth == 0)
      pendingEnd_ = limits_.back().text;
    else
      out_ += limits_.back().text;
    limits_.pop_back();
  }

  struct Limit {
    int depth;
    std::wstring text;
  };
  std::wstring_view in_;
  size_t at_ = 0;
  std::wstring out_;
  std::wstring lastWord_;
  int depth_ = 0;
  std::vector<Limit> limits_;
  std::wstring pendingEnd_;
};

}  // namespace

std::string ToEngineSql(std::wstring_view sql) { return Utf8(Translator(sql).Run()); }

}  // namespace kb::data
