// Waveform audio output: the waveOut calls on the default device, their
// records and result codes.
//
// A device plays the headers written to it in order of writing. Each header
// is marked WHDR_DONE once its data has been consumed; the device never reads
// the data again after that. Playback starts with the first write.
#pragma once

#include "win32/types.h"

#include <atomic>

struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;
using LPHWAVEOUT = HWAVEOUT*;
using MMRESULT = UINT;

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        WORD wValidBitsPerSample;
        WORD wSamplesPerBlock;
        WORD wReserved;
    } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "the platform's WAVEFORMATEX is packed, 18 bytes");
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40,
              "the platform's WAVEFORMATEXTENSIBLE is 40 bytes");

using LPCWAVEFORMATEX = const WAVEFORMATEX*;

// dwFlags is polled by the application while the device's own thread sets
// WHDR_DONE, so it is atomic here.
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    std::atomic<DWORD> dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

#define WAVE_FORMAT_PCM 0x0001
#define WAVE_FORMAT_EXTENSIBLE 0xFFFE

// {00000001-0000-0010-8000-00aa00389b71}
inline constexpr GUID KSDATAFORMAT_SUBTYPE_PCM = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;
#define CALLBACK_NULL 0x00000000u

#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP 0x00000008u
#define WHDR_INQUEUE 0x00000010u

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_BADERRNUM 9
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34
#define WAVERR_SYNC 35

// Opens the default device (WAVE_MAPPER or device 0, the only one) for a PCM
// format: WAVE_FORMAT_PCM, or WAVE_FORMAT_EXTENSIBLE with cbSize 22 or more
// and KSDATAFORMAT_SUBTYPE_PCM; 8 (unsigned), 16 or 32 bits (signed, little
// endian); nBlockAlign = channels x bits / 8. Only CALLBACK_NULL. Several
// devices may be open at once. Results: MMSYSERR_NOERROR; MMSYSERR_INVALPARAM
// (null pointers); MMSYSERR_BADDEVICEID (another device, or no device there);
// MMSYSERR_INVALFLAG (a callback or flag); WAVERR_BADFORMAT;
// MMSYSERR_NODRIVER (no audio driver); MMSYSERR_ALLOCATED (the device
// refused to open).
MMRESULT waveOutOpen(LPHWAVEOUT device, UINT device_id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
// Sets WHDR_PREPARED (no effect on a prepared header). header_size must be
// sizeof(WAVEHDR).
MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT header_size);
// Clears WHDR_PREPARED; WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT header_size);
// Queues a prepared header (WAVERR_UNPREPARED otherwise): WHDR_DONE is
// cleared and WHDR_INQUEUE set until the device has consumed its data.
MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT header_size);
// Stops playback: every queued header is marked done and leaves the queue.
MMRESULT waveOutReset(HWAVEOUT device);
// WAVERR_STILLPLAYING while headers are queued; the handle is dead after a
// successful close.
MMRESULT waveOutClose(HWAVEOUT device);
