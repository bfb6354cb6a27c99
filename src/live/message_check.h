#pragma once
#include "live/message_text.h"

namespace live {

// Offsets in a received frame: the first byte, the sender's 64-bit address and, in a "C" text
// message, its device number, sub-type, field and (sub-type 1) sample rate.
inline constexpr std::uint8_t kReceivePacket = 0x90;
inline constexpr int kSenderAddress = 1;
inline constexpr int kTextDeviceNumber = 13;
inline constexpr int kTextSubType = 18;
inline constexpr int kTextField = 20;
inline constexpr int kTextSampleRate = 21;

// Noise is not data. Whether a unit message holds in every field only what its format allows,
// so that a frame that passed its checksum by chance, or line noise turned into a record,
// is dropped instead of becoming a made-up sample. Frame offsets as received (the payload
// starts at 12); configuration replies ("$") are the reply parser's and are not judged here.
//
// "C" texts: "C" ddd ",D" sub-type "," and the field: sub-type 1 "S" rr "," and a number
// (sign, digits, a decimal point: staffs above 10 m carry six digits and more, pressure
// gauges a decimal text), 4 a number, 7 one capital letter, 8 "YYYY-MM-DD", 9 "hh:mm:ss";
// other sub-types printable text. The field ends at its line end; what follows is not judged.
// Bursts: ddd ",S" rr ",B" and a letter or digit "," and the "YYYY-MM-DDThh:mm:ss" time tag,
// then the samples whole: "A" six characters each (blanks, a sign, digits, a separator), "F"
// finite floats of a size a water level can have; "I" and "i" samples are any 16-bit values
// and "G" data raw bytes, so only their head is judged.
bool wellFormedUnitMessage(const MessageText& frame);

}  // namespace live
