#include "utilities/SqliteDatabase.h"

#include <sqlite3.h>

#include <utility>

namespace genvora {

TSqliteStatement::TSqliteStatement(TSqliteStatement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}

TSqliteStatement& TSqliteStatement::operator=(TSqliteStatement&& other) noexcept {
  if (this != &other) {
    Finalize();
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

TSqliteStatement::StepResult TSqliteStatement::Step() {
  if (stmt_ == nullptr) return StepResult::Error;
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return StepResult::Row;
  if (rc == SQLITE_DONE) return StepResult::Done;
  return StepResult::Error;
}

int TSqliteStatement::ColumnCount() const { return stmt_ != nullptr ? sqlite3_column_count(stmt_) : 0; }

std::string TSqliteStatement::ColumnName(int column) const {
  if (column < 0 || column >= ColumnCount()) return {};
  const char* name = sqlite3_column_name(stmt_, column);
  return name != nullptr ? name : "";
}

int TSqliteStatement::ColumnIndex(const std::string& name) const {
  for (int i = 0; i < ColumnCount(); ++i)
    if (sqlite3_stricmp(ColumnName(i).c_str(), name.c_str()) == 0) return i;
  return -1;
}

std::int64_t TSqliteStatement::ColumnInt(int column) const {
  if (column < 0 || column >= ColumnCount()) return 0;
  return sqlite3_column_int64(stmt_, column);
}

std::string TSqliteStatement::ColumnText(int column) const {
  if (column < 0 || column >= ColumnCount()) return {};
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool TSqliteStatement::ColumnIsNull(int column) const {
  return column < 0 || column >= ColumnCount() || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

void TSqliteStatement::Finalize() {
  if (stmt_ != nullptr) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
}

bool TSqliteDatabase::OpenReadOnly(const std::string& pathUtf8) {
  Close();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(pathUtf8.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) {
    openError_ = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    return false;
  }
  db_ = db;
  openError_.clear();
  return true;
}

TSqliteStatement TSqliteDatabase::Prepare(const std::string& sql) {
  if (db_ == nullptr) return {};
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return {};
  }
  return TSqliteStatement(stmt);
}

bool TSqliteDatabase::Exec(const std::string& sql) {
  return db_ != nullptr && sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool TSqliteDatabase::GetTable(const std::string& sql, std::vector<std::vector<std::string>>& rows) {
  TSqliteStatement stmt = Prepare(sql);
  if (!stmt.Valid()) return false;
  std::vector<std::vector<std::string>> result;
  std::vector<std::string> header;
  for (int i = 0; i < stmt.ColumnCount(); ++i) header.push_back(stmt.ColumnName(i));
  result.push_back(std::move(header));
  while (true) {
    auto step = stmt.Step();
    if (step == TSqliteStatement::StepResult::Done) break;
    if (step == TSqliteStatement::StepResult::Error) return false;
    std::vector<std::string> row;
    for (int i = 0; i < stmt.ColumnCount(); ++i) row.push_back(stmt.ColumnText(i));
    result.push_back(std::move(row));
  }
  rows = std::move(result);
  return true;
}

std::string TSqliteDatabase::ErrorMessage() const { return db_ != nullptr ? sqlite3_errmsg(db_) : openError_; }

void TSqliteDatabase::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

}  // namespace genvora
