// The licence-plate lists of the plate file "/mnt/nand/app/anpr.db": one entry per plate, with
// the list it is on.
#ifndef NVR_CORE_QVDB_ANPR_H
#define NVR_CORE_QVDB_ANPR_H

#include <stddef.h>

#include "core/qvdb.h"

// One plate of the lists.
struct AnprListEntry {
    char type[16];   // the list it is on
    char plate[64];  // the plate text
};
static_assert(offsetof(AnprListEntry, plate) == 16, "plate text at 16");
static_assert(sizeof(AnprListEntry) == 80, "plate-list entry is 80 bytes");

// Stores each entry as the one entry of its plate (an entry of the same plate is replaced), all
// in one transaction; 0 when every entry was stored, otherwise none is.
int write_anpr_list_replace_batch(const char *db, const AnprListEntry *entries, int count);
// Deletes the entries of the entries' plates, in one transaction.
int delete_anpr_lists(const char *db, const AnprListEntry *entries, int count);
int delete_anpr_list(const char *db, const AnprListEntry *entry);
// The entry of a plate: 0 and found filled, or -1 (found zeroed) when the plate is not stored.
int read_anpr_list_plate(const char *db, AnprListEntry *found, const char *plate);
// Stores the entry of a plate that is stored (update) or not yet (write); both keep one entry
// per plate.
int update_anpr_list(const char *db, const AnprListEntry *entry);
int write_anpr_list(const char *db, const AnprListEntry *entry);

#endif
