// Smart events (types 0 to 8) and licence-plate list modes (-1 to 2) as event kinds: where their
// sub-settings live, the action fields of their 336-byte record, the answer of their action
// pages, the dialog savers of their detection and settings pages, and their daemon notices.
#ifndef NVR_VIDEO_SMART_EVENT_SETTINGS_H
#define NVR_VIDEO_SMART_EVENT_SETTINGS_H

#include <json-c/json.h>
#include <stdint.h>

#include "core/qvdb_smart_events.h"
#include "video/event_settings.h"

constexpr int kRequestSmartEventChanged = 1412;  // 8 bytes: the changed channels
constexpr int kRequestAnprModeChanged = 1416;    // 8 bytes: channel, list mode
constexpr int kPeopleCountingEvent = 7;

inline bool smart_event_type_in_range(int type) { return type >= 0 && type < kSmartEventTypes; }
inline bool anpr_mode_in_range(int mode) { return mode >= kAnprModeFirst && mode <= kAnprModeLast; }

// The event kind of one smart-event type: its schedules, the named tables that
// get_vca_*_table_name give for it, and PTZ linkage type (type + 5).
class SmartEventKind {
  public:
    explicit SmartEventKind(int type);
    const EventKind &kind() const { return kind_; }

  private:
    char white_schedule_[64], white_list_[64], warning_schedule_[64], warning_list_[64], http_schedule_[64],
        http_target_[64];
    EventKind kind_;
};

// The event kind of a list mode, -1 to 2; mode -1 (any plate) uses the named tables of mode 2.
const EventKind &anpr_mode_kind(int mode);

// The action fields of a smart-event or list-mode record.
EventActionFields smart_event_action_fields(SmartEventRecord *record);

// Reads a record into a zeroed one; false when it cannot be read.
bool read_smart_event_record(int channel, int type, SmartEventRecord *record);
bool read_anpr_mode_record(int channel, int mode, SmartEventRecord *record);

// Adds the answer keys named, in their order: fields of the record ("enable", "triAlarms",
// "interval", ..., "triChannels", "triChnAlarms", "audioId"), "audioIdMask", and the
// sub-settings of the kind for the channel ("effective", ..., "httpParams", "ptzParams").
void add_event_action_answer(json_object *answer, const char *const *keys, int count, const EventKind &kind,
                             int channel, const SmartEventRecord &record);

// Copies a channel's actions of a smart-event type (record and sub-settings) to a set of
// channels. 0 when copied (also for an empty set); -1, copying nothing, when the source record
// cannot be read.
int copy_smart_event_action(int type, int source, uint64_t set, int flags);

// Saves the "dialog" of a detection page for its own "chnid" (0 to 63, else nothing is saved):
// sub-settings, action keys and PTZ linkage of the type, then copies the result to copy_set and
// sends 1412 with the channels changed. 0 when saved, -1 when skipped.
int save_smart_event_dialog_data(int type, json_object *dialog, uint64_t copy_set);

// Saves a list mode's dialog for a channel: sub-settings of the mode, action keys into the
// record (the caller writes it) and PTZ linkage. True when the record changed.
bool save_anpr_dialog_data(json_object *dialog, SmartEventRecord *record, int mode, int channel);

// 1412 with the channels (no wait).
void notify_smart_event_changed(uint64_t channels);

#endif
