// A thin wrapper over SQLite's native interface: what the engine needs to
// read the newer format's preferences and the reference tables, read-only.
//
// Invariants:
//  1. Every handle and statement is released by its owner's destructor.
//  2. Nothing raises: each operation answers false (or an empty value) and
//     ErrorMessage() tells why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace genvora {

class TSqliteStatement {
 public:
  TSqliteStatement() = default;
  ~TSqliteStatement() { Finalize(); }
  TSqliteStatement(TSqliteStatement&& other) noexcept;
  TSqliteStatement& operator=(TSqliteStatement&& other) noexcept;
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  bool Valid() const { return stmt_ != nullptr; }
  enum class StepResult { Row, Done, Error };
  StepResult Step();
  int ColumnCount() const;
  std::string ColumnName(int column) const;
  // 0-based index of the column called `name`; -1 when there is none.
  int ColumnIndex(const std::string& name) const;
  std::int64_t ColumnInt(int column) const;
  std::string ColumnText(int column) const;
  bool ColumnIsNull(int column) const;
  void Finalize();

 private:
  friend class TSqliteDatabase;
  explicit TSqliteStatement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  sqlite3_stmt* stmt_ = nullptr;
};

class TSqliteDatabase {
 public:
  TSqliteDatabase() = default;
  ~TSqliteDatabase() { Close(); }
  TSqliteDatabase(const TSqliteDatabase&) = delete;
  TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

  // Opens an existing database read-only; `pathUtf8` is a UTF-8 path.
  bool OpenReadOnly(const std::string& pathUtf8);
  bool IsOpen() const { return db_ != nullptr; }
  // A statement that is not Valid() when the text does not compile.
  TSqliteStatement Prepare(const std::string& sql);
  bool Exec(const std::string& sql);
  // Every row of a query as texts (NULL as empty), header row first.
  bool GetTable(const std::string& sql, std::vector<std::vector<std::string>>& rows);
  std::string ErrorMessage() const;
  void Close();

 private:
  sqlite3* db_ = nullptr;
  std::string openError_;
};

}  // namespace genvora
