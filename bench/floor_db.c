/* The floors of the database routes: minimal static C programs over a one-table WAL file.
     floor_db make FILE    creates the file: one table of 11 columns, 64 rows, WAL mode
     floor_db read FILE    opens it read-only, reads one row and prints it as an answer
     floor_db write FILE   BEGIN IMMEDIATE, one UPDATE, COMMIT at synchronous=FULL, answers "OK" */
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>

static int fail(sqlite3 *db) {
    fprintf(stderr, "floor_db: %s\n", sqlite3_errmsg(db));
    return 1;
}

static int make(sqlite3 *db) {
    const char *sql =
        "PRAGMA journal_mode = WAL;"
        "CREATE TABLE settings (channel INTEGER PRIMARY KEY, enable INTEGER, sensitivity INTEGER, interval INTEGER,"
        " mode INTEGER, level INTEGER, speed INTEGER, zoom INTEGER, focus INTEGER, name TEXT, area TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 63)"
        " INSERT INTO settings SELECT i, 1, 5, 30, 2, 3, 4, 5, 6, 'camera ' || i, '0000ffff0000ffff' FROM n;";
    return sqlite3_exec(db, sql, NULL, NULL, NULL) == SQLITE_OK ? 0 : fail(db);
}

static int read_row(sqlite3 *db) {
    sqlite3_stmt *select = NULL;
    if (sqlite3_prepare_v2(db, "SELECT * FROM settings WHERE channel = 3", -1, &select, NULL) != SQLITE_OK) return fail(db);
    if (sqlite3_step(select) != SQLITE_ROW) return fail(db);
    fputs("Content-type: application/json\r\n\r\n{", stdout);
    for (int i = 0; i < sqlite3_column_count(select); i++)
        printf("%s\"%s\":\"%s\"", i ? "," : "", sqlite3_column_name(select, i), (const char *)sqlite3_column_text(select, i));
    fputs("}", stdout);
    sqlite3_finalize(select);
    return 0;
}

static int write_row(sqlite3 *db) {
    const char *sql =
        "PRAGMA synchronous = FULL; BEGIN IMMEDIATE;"
        " UPDATE settings SET sensitivity = sensitivity % 9 + 1 WHERE channel = 3; COMMIT;";
    if (sqlite3_exec(db, sql, NULL, NULL, NULL) != SQLITE_OK) return fail(db);
    fputs("Content-type: text/plain\r\n\r\nOK", stdout);
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fputs("usage: floor_db make|read|write FILE\n", stderr);
        return 2;
    }
    int reading = strcmp(argv[1], "read") == 0;
    sqlite3 *db = NULL;
    int flags = reading ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(argv[2], &db, flags, NULL) != SQLITE_OK) return fail(db);
    sqlite3_busy_timeout(db, 10000);
    int rc = strcmp(argv[1], "make") == 0 ? make(db) : reading ? read_row(db) : write_row(db);
    fflush(stdout);
    sqlite3_close(db);
    return rc;
}
