#include "live/pan_id_responses.h"

namespace live {

using platform::Ctl;

namespace {

// A PAN ID read answers with 8 data bytes after the letters and the status.
constexpr int kReadAnswerLength = 11;

struct AtAnswer {
    char c0, c1;
    std::uint8_t status;
    bool is(const char* cmd) const { return c0 == cmd[0] && c1 == cmd[1]; }
};

bool parse(const std::uint8_t* text, int count, AtAnswer& a) {
    if (text == nullptr || count < 3) return false;
    a = {static_cast<char>(text[0]), static_cast<char>(text[1]), text[2]};
    return true;
}

std::uint64_t panIdOf(const std::uint8_t* text) {
    std::uint64_t v = 0;
    for (int i = 3; i < kReadAnswerLength; ++i) v = v << 8 | text[i];
    return v;
}

}  // namespace

PanIdResponses::PanIdResponses(platform::Panel& panel, platform::Dialogs& dialogs,
                               links::ApiFrameWriter& writer)
    : panel_(panel), dialogs_(dialogs), writer_(writer) {}

void PanIdResponses::RxATCommandResponce(const std::uint8_t* RxChars, int count) {
    AtAnswer a{};
    if (!parse(RxChars, count, a)) return;
    if (a.is("ID")) {
        writer_.TxWait = 0;
        if (a.status != 0) {
            panel_.setU64(Ctl::AdapterPanId, KeptLocalPANID);
            panel_.setDimmed(Ctl::AdapterPanId, false);
            return;
        }
        panel_.setDimmed(Ctl::AdapterPanId, false);
        if (count == kReadAnswerLength) {
            KeptLocalPANID = panIdOf(RxChars);
            panel_.setU64(Ctl::AdapterPanId, KeptLocalPANID);
            LastLocalXstickPANID = KeptLocalPANID;
            if (ConfigXBPANVisible) ConfigXBPANVisible(1);
        } else if (SaveLocalPANID) {
            SaveLocalPANID();  // a change was taken: keep it through power cycles
        }
    } else if (a.is("WR")) {
        writer_.TxWait = 0;
        if (a.status == 0) {
            KeptLocalPANID = panel_.u64(Ctl::AdapterPanId);
        } else {
            panel_.setU64(Ctl::AdapterPanId, KeptLocalPANID);
        }
    }
}

void PanIdResponses::RxRemoteATCommandResponce(const std::uint8_t* RxChars, int count) {
    AtAnswer a{};
    if (!parse(RxChars, count, a)) return;
    if (a.is("ID")) {
        writer_.TxWait = 0;
        if (a.status != 0) {
            panel_.setU64(Ctl::RemotePanID, KeptRemotePANID);
            panel_.setDimmed(Ctl::RemotePanID, false);
            return;
        }
        panel_.setDimmed(Ctl::RemotePanID, false);
        if (count == kReadAnswerLength) {
            KeptRemotePANID = panIdOf(RxChars);
            panel_.setU64(Ctl::RemotePanID, KeptRemotePANID);
            LastRemoteFathomrodXBPANID = KeptRemotePANID;
            panel_.setTextColor(Ctl::RemotePanID, platform::kBlack);
            panel_.setDimmed(Ctl::SaveRemotePanID, false);
        }
    } else if (a.is("WR")) {
        writer_.TxWait = 0;
        if (a.status == 0) {
            KeptRemotePANID = panel_.u64(Ctl::RemotePanID);
            panel_.setDimmed(Ctl::RemotePanID, false);
            panel_.setDimmed(Ctl::SaveRemotePanID, false);
            panel_.setTextColor(Ctl::RemotePanID, platform::kBlack);
            panel_.setTextColor(Ctl::SaveRemotePanID, platform::kBlack);
            dialogs_.message("OK, REMOTE PAN ID SAVED!",
                             "Saved! Now the XB unit's PAN ID will remain through power cycles.");
        } else {
            panel_.setU64(Ctl::RemotePanID, KeptRemotePANID);
        }
    }
}

}  // namespace live
