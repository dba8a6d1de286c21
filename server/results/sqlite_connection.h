// A thin RAII layer over SQLite's C interface: a connection, a prepared
// statement with typed binds and columns, and a transaction that rolls back
// unless committed. Every failure throws SqliteError with SQLite's message;
// the results room catches it at its edges and turns it into the error text
// its callers get.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace curling::results {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  // SQLite's primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
  int code() const { return code_; }

 private:
  int code_;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters are numbered from 1, as SQLite numbers them.
  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  Statement& Bind(int index, const std::string& text) {
    return Bind(index, std::string_view(text));
  }
  template <typename T>
  Statement& Bind(int index, const std::optional<T>& value) {
    return value ? Bind(index, *value) : BindNull(index);
  }
  Statement& BindNull(int index);
  // Binds `values` to parameters 1, 2, ... in order.
  template <typename... T>
  Statement& BindAll(const T&... values) {
    int index = 0;
    (Bind(++index, values), ...);
    return *this;
  }

  // Runs the statement to its next row: true when there is one, false when
  // it is done.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();
  // Ready to run again with new binds.
  void Reset();

  // Columns are numbered from 0.
  bool IsNull(int column) const;
  int64_t Int(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

class Connection {
 public:
  // Opens `path` with SQLite's open flags (SQLITE_OPEN_READWRITE, ...).
  Connection(const std::string& path, int flags);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs statements that return nothing, separated by semicolons.
  void Execute(const std::string& sql);
  // The first column of the first row of `sql`, as an integer.
  int64_t QueryInt(const std::string& sql);
  int64_t LastInsertId() const;
  // Rows the last INSERT, UPDATE or DELETE changed.
  int Changes() const;
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE (the write lock at once, so that two writers wait for each
// other instead of failing half-way); rolled back unless Commit() is called.
class Transaction {
 public:
  explicit Transaction(Connection& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Connection& db_;
  bool open_ = true;
};

}  // namespace curling::results
