#include "server/results/sqlite_connection.h"

#include <sqlite3.h>

#include <cassert>

namespace curling::results {

namespace {

[[noreturn]] void Throw(sqlite3* db, int code) {
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  throw SqliteError(code & 0xff, message ? message : sqlite3_errstr(code));
}

void Check(sqlite3* db, int code) {
  if (code != SQLITE_OK) Throw(db, code);
}

}  // namespace

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  Check(db_,
        sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr));
  assert(statement_ != nullptr);
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

Statement& Statement::Bind(int index, int64_t value) {
  Check(db_, sqlite3_bind_int64(statement_, index, value));
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  Check(db_, sqlite3_bind_double(statement_, index, value));
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  Check(db_, sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT));
  return *this;
}

Statement& Statement::BindNull(int index) {
  Check(db_, sqlite3_bind_null(statement_, index));
  return *this;
}

bool Statement::Step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  Throw(db_, code);
}

void Statement::Run() {
  while (Step()) {
  }
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

int64_t Statement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double Statement::Real(int column) const {
  return sqlite3_column_double(statement_, column);
}

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  const int bytes = sqlite3_column_bytes(statement_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes))
              : std::string();
}

Connection::Connection(const std::string& path, int flags) {
  const int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (code != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw SqliteError(code & 0xff, message);
  }
  sqlite3_extended_result_codes(db_, 0);
}

Connection::~Connection() {
  sqlite3_close_v2(db_);
}

void Connection::Execute(const std::string& sql) {
  Check(db_, sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr));
}

int64_t Connection::QueryInt(const std::string& sql) {
  Statement statement(db_, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

int64_t Connection::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

int Connection::Changes() const {
  return sqlite3_changes(db_);
}

Transaction::Transaction(Connection& db) : db_(db) {
  db_.Execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (!open_) return;
  // A failed statement may have ended the transaction already; a rollback
  // that finds none has nothing to undo.
  sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  assert(open_);
  db_.Execute("COMMIT");
  open_ = false;
}

}  // namespace curling::results
