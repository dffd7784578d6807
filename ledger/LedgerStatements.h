#pragma once

// The statements the program sends, each value bound rather than spliced into the text.
inline constexpr const char* ListPersonsSql = "SELECT NomPers FROM tblPlorn ORDER BY NomPers ";
inline constexpr const char* ReadNotesSql = "SELECT NomPers,LesPlorns FROM tblPlorn WHERE [NomPers]=? ";
inline constexpr const char* SaveNotesSql = "UPDATE tblPlorn SET LesPlorns=? WHERE [NomPers]=? ";
inline constexpr const char* AddPersonSql = "INSERT INTO tblPlorn (NomPers,LesPlorns) VALUES (?,?) ";
inline constexpr const char* DeletePersonSql = "DELETE FROM tblPlorn WHERE [NomPers]=? ";

// The table of a new ledger: a name is never missing and never twice.
inline constexpr const char* CreateTableSql = "CREATE TABLE tblPlorn (NomPers TEXT NOT NULL UNIQUE, LesPlorns TEXT)";
