// Production and service options of route "/vb.htm": option table, hash, splitting, chip text.
#ifndef NVR_SYSTEM_FACTORY_OPTIONS_H
#define NVR_SYSTEM_FACTORY_OPTIONS_H

#include <stddef.h>

// One option of a request: its name and its value, each NUL-terminated in 64 bytes.
struct OptionSlot {
    char name[64];
    char value[64];
};
static_assert(sizeof(OptionSlot) == 128, "an option slot is 128 bytes");
static_assert(offsetof(OptionSlot, value) == 64, "value at 64");

constexpr int kOptionSlots = 64;
constexpr int kOptionBuckets = 64;

typedef void (*OptionHandler)(OptionSlot *slot);

struct HttpOption {
    const char *name;
    OptionHandler handler;
    int unused_a, unused_b, unused_c;  // kept from the device's table, not read
    HttpOption *next;                  // chain of the option's hash bucket
};

int hash_table_init();
void hash_table_destory();
unsigned hash_cal_value(const char *name);
void hash_insert_entry(int bucket, HttpOption *entry);
HttpOption *http_option_search(const char *name);
int is_httpoption_no_arg(const char *text);
int get_httpoption_argnum(const char *text);

// Splits text into count name/value pairs; -1 when a pair does not fit the first 64
// characters, or when count is not 1 to 64.
int ui_decodeing(const char *text, OptionSlot *slots, int count);

// The identity-chip text after "Read old:" in the output of "qvchip_update -r 32".
int get_chip_info(char *out, size_t size);

// The chip text with one field replaced by a "modelupdate" or "chipupdate" value; false when
// the value is refused (the answer is then "NG ...").
bool apply_model_update(char *chip, size_t size, const char *value);
bool apply_chip_update(char *chip, size_t size, const char *value);

int on_factory_option(const char *arg);

#endif
