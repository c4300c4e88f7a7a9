// Canned replies of the simulated daemon for login and user accounts (module "/1000").
#include "tools/nvrsimd/simd.h"

namespace {

// Request 3504 carries the token of an e-mail link (256 bytes). The simulated daemon accepts
// any non-empty token (status 0) and refuses an empty one (status 1); the setting
// "mail_login_status" overrides the status.
SimScript mail_login(const SimRequest &request, SimState &state) {
    bool has_token = !request.payload.empty() && request.payload[0] != 0;
    long status = state.setting("mail_login_status", has_token ? 0 : 1);
    return sim_one_reply(sim_words({static_cast<int32_t>(status)}));
}

// Request 3265 asks the daemon to change the password of the PoE cameras; the reply's first
// word is the result number shown to the user (setting "poe_password_result", default 0).
SimScript poe_camera_password(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("poe_password_result", 0))}));
}

// Notices that accounts changed (3505) or that the user notice is due (3267): no reply.
SimScript note_only(const SimRequest &, SimState &) { return SimScript(); }

const CannedEntry kUserCanned[] = {
    {3504, mail_login},
    {3265, poe_camera_password},
    {3505, note_only},
    {3267, note_only},
};
NVR_SIM_CANNED(kUserCanned)

}  // namespace
