#include "data/row_keys.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace kb::data {
namespace {

enum class Tok { Word, Name, Text, Open, Close, Comma, Dot, Other, End };

struct Token {
  Tok kind;
  size_t begin, end;  // in the statement
  int depth;          // parentheses around it
};

bool WordChar(unsigned char c) { return c == '_' || c == '$' || std::isalnum(c) || c >= 0x80; }

// Skips the end of a quoted part that started at `at`; doubled quotes stay inside.
size_t QuotedEnd(std::string_view sql, size_t at, char close) {
  for (size_t i = at + 1; i < sql.size(); ++i) {
    if (sql[i] != close) continue;
    if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return sql.size();
}

// The statement's tokens; comments and spaces dropped.
std::vector<Token> Tokens(std::string_view sql) {
  std::vector<Token> out;
  int depth = 0;
  size_t i = 0;
  while (i < sql.size()) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    const size_t start = i;
    Tok kind = Tok::Other;
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    if (sql.compare(i, 2, "--") == 0) {
      const size_t eol = sql.find('\n', i);
      i = eol == sql.npos ? sql.size() : eol + 1;
      continue;
    }
    if (sql.compare(i, 2, "/*") == 0) {
      const size_t close = sql.find("*/", i + 2);
      i = close == sql.npos ? sql.size() : close + 2;
      continue;
    }
    if (c == '\'') {
      kind = Tok::Text;
      i = QuotedEnd(sql, i, '\'');
    } else if (c == '"' || c == '`' || c == '[') {
      kind = Tok::Name;
      i = QuotedEnd(sql, i, c == '[' ? ']' : static_cast<char>(c));
    } else if (WordChar(c)) {
      kind = Tok::Word;
      while (i < sql.size() && WordChar(static_cast<unsigned char>(sql[i]))) ++i;
    } else {
      kind = c == '('   ? Tok::Open
             : c == ')' ? Tok::Close
             : c == ',' ? Tok::Comma
             : c == '.' ? Tok::Dot
                        : Tok::Other;
      ++i;
    }
    if (kind == Tok::Close) --depth;
    out.push_back({kind, start, i, depth});
    if (kind == Tok::Open) ++depth;
  }
  out.push_back({Tok::End, sql.size(), sql.size(), 0});
  return out;
}

class Reader {
 public:
  Reader(sqlite3* db, const std::string& sql) : db_(db), sql_(sql), tokens_(Tokens(sql)) {}

  std::optional<RowKeys> Run() {
    if (!Top("SELECT")) return std::nullopt;
    ++at_;
    if (Top("DISTINCT")) return std::nullopt;
    if (Top("ALL")) ++at_;
    const size_t listBegin = Here().begin;
    while (!Top("FROM"))
      if (Here().kind == Tok::End || Refused(at_))
        return std::nullopt;
      else
        ++at_;
    const size_t listEnd = Prev().end;
    ++at_;
    const size_t fromBegin = Here().begin;
    if (!Tables()) return std::nullopt;
    const size_t fromEnd = Prev().end;
    for (size_t i = at_; tokens_[i].kind != Tok::End; ++i)
      if (Refused(i)) return std::nullopt;
    RowKeys out;
    out.count = static_cast<int>(keys_.size());
    std::string named, list, where;
    for (size_t k = 0; k < keys_.size(); ++k) {
      const std::string name = "kb_row_key_" + std::to_string(k + 1);
      named += (k ? ", " : "") + name;
      list += ", " + keys_[k] + ".rowid AS " + name;
      where += (k ? " AND " : " WHERE ") + keys_[k] + ".rowid = ?" + std::to_string(k + 1);
    }
    // Added after the query's own columns, so that ORDER BY 2 still means
    // its second column; taken out by name, so that the engine need not
    // work out the others for each row.
    out.keys = "SELECT " + named + " FROM (" + sql_.substr(0, listEnd) + list +
               sql_.substr(listEnd, EndOfStatement() - listEnd) + ")";
    out.fetch = "SELECT " + sql_.substr(listBegin, listEnd - listBegin) + " FROM " +
                sql_.substr(fromBegin, fromEnd - fromBegin) + where;
    return out;
  }

 private:
  const Token& Here() const { return tokens_[at_]; }
  const Token& Prev() const { return tokens_[at_ - 1]; }
  std::string_view Text(const Token& t) const {
    return std::string_view(sql_).substr(t.begin, t.end - t.begin);
  }
  bool Is(const Token& t, std::string_view word) const {
    if (t.kind != Tok::Word) return false;
    const std::string_view text = Text(t);
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
      if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return true;
  }
  bool Top(std::string_view word) const { return Here().depth == 0 && Is(Here(), word); }

  // Words that make rows stand for more or other than one row of each table.
  bool Refused(size_t i) const {
    const Token& t = tokens_[i];
    if (Is(t, "OVER")) return true;
    if (t.depth != 0) return false;
    if (Is(t, "LEFT") || Is(t, "RIGHT") || Is(t, "FULL"))
      return Is(tokens_[i + 1], "JOIN") || Is(tokens_[i + 1], "OUTER");
    for (std::string_view w : {"GROUP", "HAVING", "WINDOW", "UNION", "INTERSECT", "EXCEPT",
                               "NATURAL", "OUTER", "USING", "INDEXED"})
      if (Is(t, w)) return true;
    return false;
  }

  // Where the statement ends, before a closing semicolon.
  size_t EndOfStatement() const {
    for (const Token& t : tokens_)
      if (t.kind == Tok::End || (t.kind == Tok::Other && Text(t) == ";")) return t.begin;
    return sql_.size();
  }

  bool EndOfFrom() const {
    const Token& t = Here();
    if (t.kind == Tok::End || (t.kind == Tok::Other && Text(t) == ";")) return true;
    if (t.depth != 0) return false;
    for (std::string_view w :
         {"WHERE", "ORDER", "LIMIT", "GROUP", "HAVING", "WINDOW", "UNION", "INTERSECT", "EXCEPT"})
      if (Is(t, w)) return true;
    return false;
  }

  bool Keyword(const Token& t) const {
    for (std::string_view w :
         {"ON",    "JOIN",    "INNER",  "CROSS", "AS",        "WHERE",  "ORDER", "LIMIT",
          "GROUP", "HAVING",  "WINDOW", "UNION", "INTERSECT", "EXCEPT", "LEFT",  "RIGHT",
          "FULL",  "NATURAL", "OUTER",  "USING", "INDEXED",   "NOT"})
      if (Is(t, w)) return true;
    return false;
  }

  // table [AS alias] {(, | [INNER|CROSS] JOIN) table [AS alias] [ON condition]}
  bool Tables() {
    for (;;) {
      if (!Table()) return false;
      if (Is(Here(), "ON")) {
        ++at_;
        while (!EndOfFrom() && !(Here().depth == 0 && Separator())) ++at_;
      }
      if (EndOfFrom()) return true;
      if (Here().kind == Tok::Comma) {
        ++at_;
        continue;
      }
      if (Is(Here(), "INNER") || Is(Here(), "CROSS")) ++at_;
      if (!Is(Here(), "JOIN")) return false;
      ++at_;
    }
  }
  bool Separator() const {
    return Here().kind == Tok::Comma || Is(Here(), "JOIN") || Is(Here(), "INNER") ||
           Is(Here(), "CROSS") || Refused(at_);
  }

  bool Table() {
    std::string schema, table = NameAt(at_);
    if (table.empty()) return false;
    std::string written(Text(Here()));
    ++at_;
    if (Here().kind == Tok::Dot) {
      schema = table;
      table = NameAt(at_ + 1);
      if (table.empty()) return false;
      written += "." + std::string(Text(tokens_[at_ + 1]));
      at_ += 2;
    }
    if (Here().kind == Tok::Open) return false;  // a table-valued function
    if (Is(Here(), "AS")) ++at_;
    if ((Here().kind == Tok::Word && !Keyword(Here())) || Here().kind == Tok::Name) {
      written = Text(Here());
      ++at_;
    }
    if (!RealRowNumbers(schema, table)) return false;
    keys_.push_back(written);
    return true;
  }

  std::string NameAt(size_t i) const {
    const Token& t = tokens_[i];
    if (t.kind == Tok::Word && !Keyword(t)) return std::string(Text(t));
    if (t.kind != Tok::Name) return {};
    std::string_view inner = Text(t).substr(1, t.end - t.begin - 2);
    std::string out;
    const char quote = sql_[t.begin];
    for (size_t k = 0; k < inner.size(); ++k) {
      out += inner[k];
      if (quote != '[' && inner[k] == quote) ++k;
    }
    return out;
  }

  // "rowid" names the row number, not a column of that name, and the table is no view.
  bool RealRowNumbers(const std::string& schema, const std::string& table) const {
    const char* type = nullptr;
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    return sqlite3_table_column_metadata(db_, schema.empty() ? nullptr : schema.c_str(),
                                         table.c_str(), "rowid", &type, nullptr, &notNull,
                                         &primaryKey, &autoIncrement) == SQLITE_OK &&
           primaryKey && type && sqlite3_stricmp(type, "INTEGER") == 0;
  }

  sqlite3* db_;
  const std::string& sql_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  std::vector<std::string> keys_;
};

}  // namespace

std::optional<RowKeys> KeysOf(sqlite3* db, const std::string& sql) { return Reader(db, sql).Run(); }

}  // namespace kb::data
