// Named event tables of every event area: white-LED and warning-light schedules and target
// lists, HTTP notification schedules and targets. Areas may register further names in their
// own files; a name registered twice is created once.
#include "core/qvdb.h"

namespace {

// Per-channel weekly schedules under their table names.
QVDB_SCHEDULE_TABLE(kMotionWhiteLedSchedule, "motion_whiteled_esche");
QVDB_SCHEDULE_TABLE(kMotionWarningLightSchedule, "motion_warning_light_esche");
QVDB_SCHEDULE_TABLE(kMotionHttpSchedule, "motion_http_notification_sche");
QVDB_SCHEDULE_TABLE(kVideoLossWhiteLedSchedule, "videoloss_whiteled_esche");
QVDB_SCHEDULE_TABLE(kVideoLossWarningLightSchedule, "videoloss_warning_light_esche");
QVDB_SCHEDULE_TABLE(kVideoLossHttpSchedule, "videoloss_http_notification_sche");
QVDB_SCHEDULE_TABLE(kAlarmInWhiteLedSchedule, "alarmin_whiteled_esche");
QVDB_SCHEDULE_TABLE(kAlarmInWarningLightSchedule, "alarmin_warning_light_esche");
QVDB_SCHEDULE_TABLE(kAlarmInHttpSchedule, "alarmin_http_notification_sche");
QVDB_SCHEDULE_TABLE(kLprBlackWhiteLedSchedule, "lpr_black_whiteled_esche");
QVDB_SCHEDULE_TABLE(kLprWhiteWhiteLedSchedule, "lpr_white_whiteled_esche");
QVDB_SCHEDULE_TABLE(kLprVisitorWhiteLedSchedule, "lpr_vistor_whiteled_esche");
QVDB_SCHEDULE_TABLE(kLprBlackWarningLightSchedule, "lpr_black_warning_light_esche");
QVDB_SCHEDULE_TABLE(kLprWhiteWarningLightSchedule, "lpr_white_warning_light_esche");
QVDB_SCHEDULE_TABLE(kLprVisitorWarningLightSchedule, "lpr_vistor_warning_light_esche");
QVDB_SCHEDULE_TABLE(kLprBlackHttpSchedule, "lpr_black_mode_http_notification_sche");
QVDB_SCHEDULE_TABLE(kLprWhiteHttpSchedule, "lpr_white_mode_http_notification_sche");
QVDB_SCHEDULE_TABLE(kLprVisitorHttpSchedule, "lpr_visitor_mode_http_notification_sche");
QVDB_SCHEDULE_TABLE(kPeopleCountHttpSchedule, "people_cnt_http_notification_sche");
QVDB_SCHEDULE_TABLE(kPosHttpSchedule, "pos_http_notification_sche");
QVDB_SCHEDULE_TABLE(kFaceHttpSchedule, "face_http_notification_sche");
QVDB_SCHEDULE_TABLE(kCameraIn0WhiteLedSchedule, "alarm_chnIn0_whiteled_esche");
QVDB_SCHEDULE_TABLE(kCameraIn1WhiteLedSchedule, "alarm_chnIn1_whiteled_esche");
QVDB_SCHEDULE_TABLE(kCameraIn2WhiteLedSchedule, "alarm_chnIn2_whiteled_esche");
QVDB_SCHEDULE_TABLE(kCameraIn3WhiteLedSchedule, "alarm_chnIn3_whiteled_esche");
QVDB_SCHEDULE_TABLE(kCameraIn0WarningLightSchedule, "alarm_chnIn0_warning_light_esche");
QVDB_SCHEDULE_TABLE(kCameraIn1WarningLightSchedule, "alarm_chnIn1_warning_light_esche");
QVDB_SCHEDULE_TABLE(kCameraIn2WarningLightSchedule, "alarm_chnIn2_warning_light_esche");
QVDB_SCHEDULE_TABLE(kCameraIn3WarningLightSchedule, "alarm_chnIn3_warning_light_esche");
QVDB_SCHEDULE_TABLE(kCameraIn0HttpSchedule, "alarm_chnIn0_http_notification_sche");
QVDB_SCHEDULE_TABLE(kCameraIn1HttpSchedule, "alarm_chnIn1_http_notification_sche");
QVDB_SCHEDULE_TABLE(kCameraIn2HttpSchedule, "alarm_chnIn2_http_notification_sche");
QVDB_SCHEDULE_TABLE(kCameraIn3HttpSchedule, "alarm_chnIn3_http_notification_sche");

// White-LED target lists.
QVDB_TABLE(kMotionWhiteLedList, "motion_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kVideoLossWhiteLedList, "video_loss_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kAlarmInWhiteLedList, "alarm_in_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kLprBlackWhiteLedList, "lpr_black_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kLprWhiteWhiteLedList, "lpr_white_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kLprVisitorWhiteLedList, "lpr_vistor_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kRegion0WhiteLedList, "regional_pcnt_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kRegion1WhiteLedList, "regional_pcnt1_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kRegion2WhiteLedList, "regional_pcnt2_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kRegion3WhiteLedList, "regional_pcnt3_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kPosWhiteLedList, "pos_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kFaceWhiteLedList, "face_whiteled_params", kQvdbWhiteLedShape);
QVDB_TABLE(kCameraIn0WhiteLedList, "alarm_chnIn0_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kCameraIn1WhiteLedList, "alarm_chnIn1_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kCameraIn2WhiteLedList, "alarm_chnIn2_white_led_params", kQvdbWhiteLedShape);
QVDB_TABLE(kCameraIn3WhiteLedList, "alarm_chnIn3_white_led_params", kQvdbWhiteLedShape);

// Warning-light target lists.
QVDB_TABLE(kMotionWarningLightList, "motion_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kVideoLossWarningLightList, "video_loss_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kAlarmInWarningLightList, "alarm_in_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kLprBlackWarningLightList, "lpr_black_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kLprWhiteWarningLightList, "lpr_white_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kLprVisitorWarningLightList, "lpr_vistor_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kRegion0WarningLightList, "regional_pcnt_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kRegion1WarningLightList, "regional_pcnt1_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kRegion2WarningLightList, "regional_pcnt2_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kRegion3WarningLightList, "regional_pcnt3_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kCameraIn0WarningLightList, "alarm_chnIn0_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kCameraIn1WarningLightList, "alarm_chnIn1_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kCameraIn2WarningLightList, "alarm_chnIn2_warning_light_params", kQvdbWarningLightShape);
QVDB_TABLE(kCameraIn3WarningLightList, "alarm_chnIn3_warning_light_params", kQvdbWarningLightShape);

// HTTP notification targets.
QVDB_TABLE(kMotionHttpTarget, "motion_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kVideoLossHttpTarget, "videoloss_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kAlarmInHttpTarget, "alarmin_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kExceptionHttpTarget, "except_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kLprBlackHttpTarget, "lpr_black_mode_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kLprWhiteHttpTarget, "lpr_white_mode_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kLprVisitorHttpTarget, "lpr_visitor_mode_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kPeopleCountHttpTarget, "people_cnt_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kRegion0HttpTarget, "regional_pcnt_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kRegion1HttpTarget, "regional_pcnt1_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kRegion2HttpTarget, "regional_pcnt2_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kRegion3HttpTarget, "regional_pcnt3_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kPosHttpTarget, "pos_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kFaceHttpTarget, "face_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kCameraIn0HttpTarget, "alarm_chnIn0_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kCameraIn1HttpTarget, "alarm_chnIn1_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kCameraIn2HttpTarget, "alarm_chnIn2_http_notification_params", kQvdbHttpTargetShape);
QVDB_TABLE(kCameraIn3HttpTarget, "alarm_chnIn3_http_notification_params", kQvdbHttpTargetShape);

// Smart events, types 0 to 8, under the names get_vca_*_table_name gives.
#define VCA_TABLES(stem)                                                                   \
    QVDB_SCHEDULE_TABLE(k_##stem##_white_schedule, #stem "_whiteled_esche");               \
    QVDB_TABLE(k_##stem##_white_list, #stem "_white_led_params", kQvdbWhiteLedShape);      \
    QVDB_SCHEDULE_TABLE(k_##stem##_warning_schedule, #stem "_warning_light_esche");        \
    QVDB_TABLE(k_##stem##_warning_list, #stem "_warning_light_params", kQvdbWarningLightShape); \
    QVDB_SCHEDULE_TABLE(k_##stem##_http_schedule, #stem "_http_notification_sche");        \
    QVDB_TABLE(k_##stem##_http_target, #stem "_http_notification_params", kQvdbHttpTargetShape)

VCA_TABLES(vca_region_in);
VCA_TABLES(vca_region_out);
VCA_TABLES(vca_advanced_motion);
VCA_TABLES(vca_tamper);
VCA_TABLES(vca_line_crossing);
VCA_TABLES(vca_loitering);
VCA_TABLES(vca_human);
VCA_TABLES(vca_people_count);
VCA_TABLES(vca_object_left_removed);

}  // namespace
