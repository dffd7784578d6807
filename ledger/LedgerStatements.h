#pragma once

// The statements the program sends, each value bound rather than spliced into the text.
inline constexpr const char* ListPersonsSql = "SELECT NomPers FROM tblPlorn ORDER BY NomPers ";
inline constexpr const char* ReadNotesSql = "SELECT NomPers,LesPlorns FROM tblPlorn WHERE [NomPers]=? ";
inline constexpr const char* SaveNotesSql = "UPDATE tblPlorn SET LesPlorns=? WHERE [NomPers]=? ";
inline constexpr const char* AddPersonSql = "INSERT INTO tblPlorn (NomPers,LesPlorns) VALUES (?,?) ";
inline constexpr const char* DeletePersonSql = "DELETE FROM tblPlorn WHERE [NomPers]=? ";

// The table of a new ledger: a name is never missing and never twice.
inline constexpr const char* CreateTableSql = "CREATE TABLE tblPlorn (NomPers TEXT NOT NULL UNIQUE, LesPlorns TEXT)";

// What the program remembers between runs lives in a table of its own, which the statements above never touch.
inline constexpr const char* CreateMemoryTableSql =
    "CREATE TABLE IF NOT EXISTS tblEtat (Cle TEXT PRIMARY KEY, Valeur TEXT)";
inline constexpr const char* RecallSql = "SELECT Valeur FROM tblEtat WHERE Cle=?";
inline constexpr const char* RememberSql = "INSERT OR REPLACE INTO tblEtat (Cle, Valeur) VALUES (?, ?)";
inline constexpr const char* MemoryTableExistsSql = "SELECT 1 FROM sqlite_master WHERE type='table' AND name='tblEtat'";
