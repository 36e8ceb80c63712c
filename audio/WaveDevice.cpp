#include "audio/WaveDevice.h"

#include "audio/PcmConversion.h"

#include <cstring>
#include <iostream>

namespace {

void clear_header(WAVEHDR& header) {
    header.lpData = nullptr;
    header.dwBufferLength = 0;
    header.dwBytesRecorded = 0;
    header.dwUser = 0;
    header.dwFlags = 0;
    header.dwLoops = 0;
    header.lpNext = nullptr;
    header.reserved = 0;
}

}  // namespace

WaveDevice* WaveDevice::open(int32_t bits, int32_t channels, int32_t rate) {
    WaveDevice* device = new WaveDevice;
    device->bits = bits;
    device->channels = channels;
    device->rate = rate;
    device->samples_per_buffer = channels * frames_per_buffer;
    size_t buffer_bytes =
        static_cast<size_t>(bits / 8) * static_cast<size_t>(device->samples_per_buffer);
    for (auto& buffer : device->buffers) {
        buffer.reset(new uint8_t[buffer_bytes]);
        std::memset(buffer.get(), 0, buffer_bytes);
    }

    WAVEFORMATEX& format = device->format.Format;
    format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.wBitsPerSample = static_cast<WORD>(bits);
    // The bytes of the record that follow WAVEFORMATEX: 22.
    format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
    device->format.Samples.wValidBitsPerSample = static_cast<WORD>(bits);
    // The speaker assignment is left to the device.
    device->format.dwChannelMask = 0;
    device->format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;

    if (waveOutOpen(&device->handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        std::cout << "[!] Could not open device.\n";
    return device;
}

void WaveDevice::write(const int32_t* samples, int32_t count) {
    int32_t bytes = (bits / 8) * count;
    int32_to_pcm(buffers[index].get(), samples, bytes, bits);

    WAVEHDR& header = headers[index];
    if (header.dwFlags & WHDR_PREPARED) {
        waveOutUnprepareHeader(handle, &header, sizeof(WAVEHDR));
        clear_header(header);
    }
    header.lpData = reinterpret_cast<LPSTR>(buffers[index].get());
    header.dwBufferLength = static_cast<DWORD>(bytes);
    waveOutPrepareHeader(handle, &header, sizeof(WAVEHDR));
    if (waveOutWrite(handle, &header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        // Never queued, so never done: a prepared header left here would
        // hold up the wait below for good.
        waveOutUnprepareHeader(handle, &header, sizeof(WAVEHDR));
        clear_header(header);
    }

    index = (index + 1) % buffer_count;
    for (;;) {
        DWORD flags = headers[index].dwFlags;
        if (!(flags & WHDR_PREPARED) || (flags & WHDR_DONE)) break;
        Sleep(1);
    }
}

void WaveDevice::close() {
    for (int i = 0; i < buffer_count; ++i) {
        if (headers[i].dwFlags & WHDR_PREPARED) {
            while (waveOutUnprepareHeader(handle, &headers[i], sizeof(WAVEHDR)) ==
                   WAVERR_STILLPLAYING)
                Sleep(1);
        }
        buffers[i].reset();
    }
    waveOutClose(handle);
}
