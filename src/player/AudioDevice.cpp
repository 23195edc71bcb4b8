#include "player/AudioDevice.h"

#include "player/QuietStderr.h"
#include "player/SampleSource.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <atomic>

namespace {

struct Feed {
    SampleSource* source = nullptr;
    std::atomic<bool> drained{false};
};

// Runs on SDL's audio thread: renders straight into the device buffer.
void FillBuffer(void* userdata, Uint8* stream, int length) {
    auto* feed = static_cast<Feed*>(userdata);
    if (feed->source->fill(reinterpret_cast<float*>(stream), static_cast<size_t>(length) / sizeof(float)))
        feed->drained = true;
}

// Opens the default output device for `wanted`; 0 and `error` on failure.
SDL_AudioDeviceID OpenDevice(const SDL_AudioSpec& wanted, SDL_AudioSpec& obtained, std::string& error) {
    QuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return 0;
    }
    // No changes allowed: SDL converts to whatever the device wants.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return device;
}

} // namespace

PlayerResult<> AudioDevice::play(SampleSource& source) {
    SDL_SetMainReady();
    Feed feed;
    feed.source = &source;
    SDL_AudioSpec wanted{};
    wanted.freq = source.sampleRate();
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 1;
    wanted.samples = 2048;
    wanted.callback = FillBuffer;
    wanted.userdata = &feed;
    SDL_AudioSpec obtained{};
    std::string error;
    const SDL_AudioDeviceID device = OpenDevice(wanted, obtained, error);
    if (device == 0)
        return base::Fail(error);
    SDL_PauseAudioDevice(device, 0);
    while (!feed.drained)
        SDL_Delay(10);
    // The last buffer handed to the device still has to be heard.
    SDL_Delay(static_cast<Uint32>(2000.0 * obtained.samples / obtained.freq) + 50);
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return {};
}
