/* Storage prototypes for a settings file of many record kinds, timed as whole processes by
   bench/roads.sh. Each kind has 11 columns (a key, 8 integers, 2 texts) and 64 rows.

     roads make-tables DIR KINDS   one file, one table per kind (the layout of one table a kind)
     roads make-areas DIR KINDS    area files: KINDS / 12 kinds each, areaN.db
     roads make-docs DIR KINDS     one file of four fixed tables, one JSON document per record
     roads read-tables DIR         read one row of one kind
     roads read-area DIR           read one row from one area file
     roads read-areas DIR          read one row from each of two area files (the second attached)
     roads read-docs DIR           read one document and take its 11 values
     roads read-floor DIR          read one row of a file with a single table

   Every file is in WAL mode; reads print the values they took. */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define AREA_KINDS 12

static void check(int rc, sqlite3 *db, const char *what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        fprintf(stderr, "roads: %s: %s\n", what, sqlite3_errmsg(db));
        exit(1);
    }
}

static sqlite3 *open_file(const char *dir, const char *name, int flags) {
    char path[512];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    sqlite3 *db = NULL;
    check(sqlite3_open_v2(path, &db, flags, NULL), db, path);
    return db;
}

static void exec(sqlite3 *db, const char *sql) { check(sqlite3_exec(db, sql, NULL, NULL, NULL), db, sql); }

static void make_kind_table(sqlite3 *db, const char *schema, int kind) {
    char sql[1024];
    snprintf(sql, sizeof sql,
             "CREATE TABLE %s.kind%d (channel INTEGER PRIMARY KEY, enable INTEGER, sensitivity INTEGER, "
             "interval INTEGER, mode INTEGER, level INTEGER, speed INTEGER, zoom INTEGER, focus INTEGER, "
             "name TEXT, area TEXT)",
             schema, kind);
    exec(db, sql);
    for (int channel = 0; channel < 64; channel++) {
        snprintf(sql, sizeof sql,
                 "INSERT INTO %s.kind%d VALUES (%d, 1, 5, 30, 2, 3, 4, 5, 6, 'camera %d', '0000ffff0000ffff')",
                 schema, kind, channel, channel);
        exec(db, sql);
    }
}

static void make_tables(const char *dir, int kinds) {
    sqlite3 *db = open_file(dir, "tables.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db, "PRAGMA journal_mode = WAL; BEGIN");
    for (int kind = 0; kind < kinds; kind++) make_kind_table(db, "main", kind);
    exec(db, "COMMIT");
    sqlite3_close(db);
    db = open_file(dir, "floor.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db, "PRAGMA journal_mode = WAL; BEGIN");
    make_kind_table(db, "main", 0);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

static void make_areas(const char *dir, int kinds) {
    for (int area = 0; area * AREA_KINDS < kinds; area++) {
        char name[64];
        snprintf(name, sizeof name, "area%d.db", area);
        sqlite3 *db = open_file(dir, name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        exec(db, "PRAGMA journal_mode = WAL; BEGIN");
        for (int kind = area * AREA_KINDS; kind < kinds && kind < (area + 1) * AREA_KINDS; kind++)
            make_kind_table(db, "main", kind);
        exec(db, "COMMIT");
        sqlite3_close(db);
    }
}

static void make_docs(const char *dir, int kinds) {
    sqlite3 *db = open_file(dir, "docs.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db, "PRAGMA journal_mode = WAL; BEGIN");
    exec(db, "CREATE TABLE params (key TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID");
    exec(db, "CREATE TABLE records (kind TEXT, extra INTEGER, key INTEGER, doc TEXT, PRIMARY KEY (kind, extra, key))");
    exec(db, "CREATE TABLE list_entries (kind TEXT, extra INTEGER, owner INTEGER, slot INTEGER, doc TEXT, "
             "PRIMARY KEY (kind, extra, owner, slot)) WITHOUT ROWID");
    exec(db, "CREATE TABLE schedules (kind TEXT, extra INTEGER, channel INTEGER, day INTEGER, slot INTEGER, "
             "start_time TEXT, end_time TEXT, action_type INTEGER, day_flag INTEGER, "
             "PRIMARY KEY (kind, extra, channel, day, slot)) WITHOUT ROWID");
    sqlite3_stmt *insert = NULL;
    check(sqlite3_prepare_v2(db, "INSERT INTO records VALUES (?, 0, ?, ?)", -1, &insert, NULL), db, "prepare");
    for (int kind = 0; kind < kinds; kind++) {
        char name[32];
        snprintf(name, sizeof name, "kind%d", kind);
        for (int channel = 0; channel < 64; channel++) {
            char doc[512];
            snprintf(doc, sizeof doc,
                     "{\"channel\":%d,\"enable\":1,\"sensitivity\":5,\"interval\":30,\"mode\":2,\"level\":3,"
                     "\"speed\":4,\"zoom\":5,\"focus\":6,\"name\":\"camera %d\",\"area\":\"0000ffff0000ffff\"}",
                     channel, channel);
            sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 2, channel);
            sqlite3_bind_text(insert, 3, doc, -1, SQLITE_TRANSIENT);
            check(sqlite3_step(insert), db, "insert");
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

/* Prints the 11 columns of the row that sql selects. */
static void print_row(sqlite3 *db, const char *sql) {
    sqlite3_stmt *select = NULL;
    check(sqlite3_prepare_v2(db, sql, -1, &select, NULL), db, sql);
    if (sqlite3_step(select) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(select); i++) printf("%s ", (const char *)sqlite3_column_text(select, i));
    printf("\n");
    sqlite3_finalize(select);
}

/* Takes the values of a flat JSON object of numbers and plain strings in order. */
static void print_doc(const char *doc) {
    const char *p = doc;
    while ((p = strchr(p, ':')) != NULL) {
        p++;
        if (*p == '"') {
            const char *end = strchr(p + 1, '"');
            printf("%.*s ", (int)(end - p - 1), p + 1);
            p = end + 1;
        } else {
            printf("%ld ", strtol(p, (char **)&p, 10));
        }
    }
    printf("\n");
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: roads COMMAND DIR [KINDS]\n");
        return 2;
    }
    const char *command = argv[1], *dir = argv[2];
    int kinds = argc > 3 ? atoi(argv[3]) : 168;
    const int reading = SQLITE_OPEN_READWRITE;
    if (strcmp(command, "make-tables") == 0) make_tables(dir, kinds);
    else if (strcmp(command, "make-areas") == 0) make_areas(dir, kinds);
    else if (strcmp(command, "make-docs") == 0) make_docs(dir, kinds);
    else if (strcmp(command, "read-tables") == 0) print_row(open_file(dir, "tables.db", reading), "SELECT * FROM kind7 WHERE channel = 3");
    else if (strcmp(command, "read-floor") == 0) print_row(open_file(dir, "floor.db", reading), "SELECT * FROM kind0 WHERE channel = 3");
    else if (strcmp(command, "read-area") == 0) print_row(open_file(dir, "area0.db", reading), "SELECT * FROM kind7 WHERE channel = 3");
    else if (strcmp(command, "read-areas") == 0) {
        sqlite3 *db = open_file(dir, "area0.db", reading);
        char sql[600];
        snprintf(sql, sizeof sql, "ATTACH '%s/area1.db' AS second", dir);
        exec(db, sql);
        print_row(db, "SELECT * FROM kind7 WHERE channel = 3");
        print_row(db, "SELECT * FROM second.kind13 WHERE channel = 3");
    } else if (strcmp(command, "read-docs") == 0) {
        sqlite3 *db = open_file(dir, "docs.db", reading);
        sqlite3_stmt *select = NULL;
        check(sqlite3_prepare_v2(db, "SELECT doc FROM records WHERE kind = ? AND extra = 0 AND key = ?", -1, &select, NULL),
              db, "prepare");
        sqlite3_bind_text(select, 1, "kind7", -1, SQLITE_STATIC);
        sqlite3_bind_int(select, 2, 3);
        if (sqlite3_step(select) == SQLITE_ROW) print_doc((const char *)sqlite3_column_text(select, 0));
        sqlite3_finalize(select);
    } else {
        fprintf(stderr, "roads: unknown command %s\n", command);
        return 2;
    }
    return 0;
}
