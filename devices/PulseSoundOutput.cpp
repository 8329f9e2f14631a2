// libpulse sound output.
#include "devices/PulseSoundOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "devices/CdErrors.h"

namespace {

std::int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The name every output gives its stream, and the outputs alive, so that a new name reaches their
// streams at once. Names is taken before an output's mainloop lock, NameLock inside it.
std::mutex Names;
std::set<TPulseSoundOutput::TState*> Outputs;
std::mutex NameLock;
std::string StreamName;

std::string CurrentName() {
    std::lock_guard Guard(NameLock);
    return StreamName.empty() ? std::string("Orbelune") : StreamName;
}

} // namespace

struct TPulseSoundOutput::TState {
    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    pa_time_event* Retry = nullptr;
    bool EverReady = false;
    bool Closing = false;
    std::int64_t LostAt = 0; // when the server went away during a play; 0 while it is there

    // What the user of the output wants; under the mainloop lock.
    bool Active = false;
    bool Paused = false;
    int Rate = 44100;
    int Channels = 2;
    int StreamRate = 0, StreamChannels = 0;
    bool StreamCorked = false;

    // The stream's volume, on the player's scale (0..65535 for 0..100 %): what was asked for last, or
    // what the desktop's mixer set since. Pending counts volume changes of ours the server has not
    // confirmed; reports of the stream's volume meanwhile are older than them and are not taken.
    bool VolumeSet = false;
    int Left = 65535, Right = 65535;
    int Pending = 0;
    bool Outside = false; // the mixer set the volume since TakeVolumeChange last looked

    // The played accounting, in frames; under the mainloop lock.
    std::uint64_t PlayedBefore = 0; // frames of the play handed to streams that went away
    std::uint64_t Handed = 0;       // frames handed to the current stream since the play started
    std::uint64_t Held = 0;         // the played count a pause froze
    std::uint64_t LastPlayed = 0;   // never goes back within a play

    void ResetCounts() { PlayedBefore = Handed = Held = LastPlayed = 0; }

    // Frames of the play heard by now: those handed over less what the server has not yet played.
    std::uint64_t PlayedNow() {
        std::uint64_t Heard = 0;
        if (Stream && pa_stream_get_state(Stream) == PA_STREAM_READY) {
            pa_usec_t Latency = 0;
            int Negative = 0;
            if (pa_stream_get_latency(Stream, &Latency, &Negative) == 0) {
                std::uint64_t Queued =
                    Negative ? 0 : Latency * static_cast<std::uint64_t>(StreamRate) / 1000000;
                // A stream that ran dry has played all it had; its latency then stays where it stopped.
                const pa_timing_info* Timing = pa_stream_get_timing_info(Stream);
                if (Timing && !Timing->playing && Timing->read_index >= Timing->write_index) Queued = 0;
                Heard = Handed - std::min(Handed, Queued);
            }
        }
        LastPlayed = std::max(LastPlayed, PlayedBefore + Heard);
        return LastPlayed;
    }

    // --- on libpulse's thread, or with the mainloop locked ---

    void Connect() {
        pa_proplist* Props = pa_proplist_new();
        pa_proplist_sets(Props, PA_PROP_APPLICATION_NAME, "Orbelune");
        pa_proplist_sets(Props, PA_PROP_APPLICATION_ICON_NAME, "orbelune");
        pa_proplist_sets(Props, PA_PROP_APPLICATION_ID, "orbelune");
        Context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(Loop), "Orbelune", Props);
        pa_proplist_free(Props);
        if (!Context) {
            ScheduleRetry();
            return;
        }
        pa_context_set_state_callback(Context, &TState::OnContextState, this);
        if (pa_context_connect(Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) Lose();
    }

    // The server is gone (or never answered): the context and stream go, a new try comes later.
    void Lose() {
        DropStream();
        if (Context) {
            pa_context_set_state_callback(Context, nullptr, nullptr);
            pa_context_disconnect(Context);
            pa_context_unref(Context);
            Context = nullptr;
        }
        if (LostAt == 0) LostAt = NowMicros();
        ScheduleRetry();
        pa_threaded_mainloop_signal(Loop, 0);
    }

    void ScheduleRetry() {
        if (Closing) return;
        pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop);
        timeval When;
        pa_gettimeofday(&When);
        pa_timeval_add(&When, static_cast<pa_usec_t>(ReconnectMillis) * 1000);
        if (Retry)
            Api->time_restart(Retry, &When);
        else
            Retry = Api->time_new(Api, &When, &TState::OnRetry, this);
    }

    static void OnRetry(pa_mainloop_api* Api, pa_time_event* Event, const timeval*, void* User) {
        auto* S = static_cast<TState*>(User);
        Api->time_free(Event);
        S->Retry = nullptr;
        if (S->Closing) return;
        if (!S->Context)
            S->Connect();
        else
            S->Reconcile();
    }

    static void OnContextState(pa_context* Context, void* User) {
        auto* S = static_cast<TState*>(User);
        if (Context != S->Context) return;
        switch (pa_context_get_state(Context)) {
        case PA_CONTEXT_READY:
            S->EverReady = true;
            S->LostAt = 0;
            S->Pending = 0;
            pa_context_set_subscribe_callback(Context, &TState::OnEvent, S);
            if (pa_operation* Op =
                    pa_context_subscribe(Context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr))
                pa_operation_unref(Op);
            S->Reconcile();
            pa_threaded_mainloop_signal(S->Loop, 0);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            if (!S->Closing) S->Lose();
            break;
        default:
            break;
        }
    }

    void DropStream() {
        if (!Stream) return;
        pa_stream_set_state_callback(Stream, nullptr, nullptr);
        pa_stream_set_write_callback(Stream, nullptr, nullptr);
        pa_stream_disconnect(Stream);
        pa_stream_unref(Stream);
        Stream = nullptr;
        // What the lost stream held unheard is gone; the play goes on after it.
        PlayedBefore += Handed;
        Handed = 0;
    }

    // Brings the stream in line with what is wanted: made for an active play when the server is there,
    // remade for another format, corked while paused or stopped.
    void Reconcile() {
        if (!Context || pa_context_get_state(Context) != PA_CONTEXT_READY) return;
        if (Stream && (StreamRate != Rate || StreamChannels != Channels) && Active) DropStream();
        if (!Stream && Active) MakeStream();
        if (!Stream) return;
        const bool Cork = !Active || Paused;
        if (Cork != StreamCorked && pa_stream_get_state(Stream) == PA_STREAM_READY) {
            if (pa_operation* Op = pa_stream_cork(Stream, Cork ? 1 : 0, nullptr, nullptr))
                pa_operation_unref(Op);
            StreamCorked = Cork;
        }
    }

    void MakeStream() {
        pa_sample_spec Spec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(Rate),
                            static_cast<std::uint8_t>(Channels)};
        pa_channel_map Map;
        pa_channel_map_init_extend(&Map, Spec.channels, PA_CHANNEL_MAP_DEFAULT);
        pa_proplist* Props = pa_proplist_new();
        const std::string Name = CurrentName();
        pa_proplist_sets(Props, PA_PROP_MEDIA_NAME, Name.c_str());
        pa_proplist_sets(Props, PA_PROP_MEDIA_ROLE, "music");
        Stream = pa_stream_new_with_proplist(Context, Name.c_str(), &Spec, &Map, Props);
        pa_proplist_free(Props);
        if (!Stream) {
            ScheduleRetry();
            return;
        }
        StreamRate = Rate;
        StreamChannels = Channels;
        StreamCorked = Paused;
        PlayedBefore += Handed;
        Handed = 0;
        pa_stream_set_state_callback(Stream, &TState::OnStreamState, this);
        pa_buffer_attr Attr;
        Attr.maxlength = static_cast<std::uint32_t>(-1);
        Attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(ServerBufferMillis * 1000, &Spec));
        // A short start threshold: a play shorter than the server's buffer starts too.
        Attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(StartMillis * 1000, &Spec));
        Attr.minreq = static_cast<std::uint32_t>(-1);
        Attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto Flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY |
            (StreamCorked ? PA_STREAM_START_CORKED : 0));
        pa_cvolume Volume;
        if (pa_stream_connect_playback(Stream, nullptr, &Attr, Flags, VolumeSet ? VolumeOf(Volume) : nullptr,
                                       nullptr) < 0) {
            DropStream();
            ScheduleRetry();
        }
    }

    static void OnStreamState(pa_stream* Stream, void* User) {
        auto* S = static_cast<TState*>(User);
        if (Stream != S->Stream) return;
        const pa_stream_state_t State = pa_stream_get_state(Stream);
        if (State == PA_STREAM_FAILED || State == PA_STREAM_TERMINATED) {
            // The sink went away under the stream (or the server killed it): a new one comes later.
            S->DropStream();
            S->ScheduleRetry();
        } else if (State == PA_STREAM_READY) {
            S->Reconcile();
        }
        pa_threaded_mainloop_signal(S->Loop, 0);
    }

    // The volume asked for, on the stream's channels.
    pa_cvolume* VolumeOf(pa_cvolume& Volume) const {
        pa_cvolume_init(&Volume);
        Volume.channels = static_cast<std::uint8_t>(StreamChannels);
        const auto Server = [](int V) {
            return static_cast<pa_volume_t>((static_cast<std::uint64_t>(V) * PA_VOLUME_NORM + 32767) / 65535);
        };
        for (int C = 0; C < StreamChannels; ++C)
            Volume.values[C] = Server(StreamChannels == 2 ? (C == 0 ? Left : Right) : std::max(Left, Right));
        return &Volume;
    }

    void ApplyVolume() {
        if (!VolumeSet || !Stream || !Context || pa_stream_get_state(Stream) != PA_STREAM_READY) return;
        pa_cvolume Volume;
        if (pa_operation* Op = pa_context_set_sink_input_volume(
                Context, pa_stream_get_index(Stream), VolumeOf(Volume), &TState::OnVolumeSet, this)) {
            ++Pending;
            pa_operation_unref(Op);
        }
    }

    static void OnVolumeSet(pa_context* Context, int, void* User) {
        auto* S = static_cast<TState*>(User);
        if (Context != S->Context) return;
        S->Pending = std::max(0, S->Pending - 1);
    }

    static void OnEvent(pa_context* Context, pa_subscription_event_type_t Type, std::uint32_t Index,
                        void* User) {
        auto* S = static_cast<TState*>(User);
        if (Context != S->Context || !S->Stream || pa_stream_get_state(S->Stream) != PA_STREAM_READY) return;
        if ((Type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT ||
            (Type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE ||
            Index != pa_stream_get_index(S->Stream))
            return;
        if (pa_operation* Op = pa_context_get_sink_input_info(Context, Index, &TState::OnInfo, S))
            pa_operation_unref(Op);
    }

    static void OnInfo(pa_context* Context, const pa_sink_input_info* Info, int End, void* User) {
        auto* S = static_cast<TState*>(User);
        if (End || !Info || Context != S->Context || S->Pending > 0 || Info->volume.channels == 0) return;
        const auto Player = [](pa_volume_t V) {
            return static_cast<int>(std::min<std::uint64_t>(
                65535, (static_cast<std::uint64_t>(V) * 65535 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM));
        };
        const int L = Player(Info->volume.values[0]);
        const int R = Player(Info->volume.values[Info->volume.channels > 1 ? 1 : 0]);
        const bool Mono = Info->volume.channels == 1;
        if (Mono ? L == std::max(S->Left, S->Right) : (L == S->Left && R == S->Right)) return;
        S->Left = L;
        S->Right = Mono ? L : R;
        S->VolumeSet = S->Outside = true;
    }

    void Rename(const std::string& Name) {
        if (!Stream || pa_stream_get_state(Stream) != PA_STREAM_READY) return;
        pa_proplist* Props = pa_proplist_new();
        pa_proplist_sets(Props, PA_PROP_MEDIA_NAME, Name.c_str());
        if (pa_operation* Op = pa_stream_proplist_update(Stream, PA_UPDATE_REPLACE, Props, nullptr, nullptr))
            pa_operation_unref(Op);
        pa_proplist_free(Props);
    }
};

TPulseSoundOutput::TPulseSoundOutput(int StartTimeoutMillis)
    : FStartTimeout(StartTimeoutMillis), F(std::make_unique<TState>()) {
    F->Loop = pa_threaded_mainloop_new();
    if (!F->Loop) return;
    pa_threaded_mainloop_set_name(F->Loop, "Sound output");
    pa_threaded_mainloop_lock(F->Loop);
    F->Connect();
    pa_threaded_mainloop_unlock(F->Loop);
    if (pa_threaded_mainloop_start(F->Loop) < 0) {
        pa_threaded_mainloop_free(F->Loop);
        F->Loop = nullptr;
        return;
    }
    std::lock_guard Guard(Names);
    Outputs.insert(F.get());
}

TPulseSoundOutput::~TPulseSoundOutput() {
    {
        std::lock_guard Guard(Names);
        Outputs.erase(F.get());
    }
    if (!F->Loop) return;
    pa_threaded_mainloop_lock(F->Loop);
    F->Closing = true;
    F->DropStream();
    if (F->Context) {
        pa_context_set_state_callback(F->Context, nullptr, nullptr);
        pa_context_disconnect(F->Context);
        pa_context_unref(F->Context);
        F->Context = nullptr;
    }
    if (F->Retry) {
        pa_threaded_mainloop_get_api(F->Loop)->time_free(F->Retry);
        F->Retry = nullptr;
    }
    pa_threaded_mainloop_unlock(F->Loop);
    pa_threaded_mainloop_stop(F->Loop);
    pa_threaded_mainloop_free(F->Loop);
}

int TPulseSoundOutput::Start(int Rate, int Channels) {
    if (Rate <= 0 || Channels <= 0 || Channels > static_cast<int>(PA_CHANNELS_MAX)) return deWaveFormat;
    if (!F->Loop) return deNoSoundOutput;
    pa_threaded_mainloop_lock(F->Loop);
    // The first start waits for the server to answer, within the limit.
    const auto Limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(FStartTimeout);
    while (!F->EverReady && std::chrono::steady_clock::now() < Limit) {
        pa_threaded_mainloop_unlock(F->Loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pa_threaded_mainloop_lock(F->Loop);
    }
    if (!F->EverReady) {
        pa_threaded_mainloop_unlock(F->Loop);
        return deNoSoundOutput;
    }
    F->ResetCounts();
    F->Active = true;
    F->Paused = false;
    F->Rate = Rate;
    F->Channels = Channels;
    // The corked stream of the last play is used again, emptied of what it held.
    if (F->Stream && F->StreamRate == Rate && F->StreamChannels == Channels &&
        pa_stream_get_state(F->Stream) == PA_STREAM_READY)
        if (pa_operation* Op = pa_stream_flush(F->Stream, nullptr, nullptr)) pa_operation_unref(Op);
    F->Reconcile();
    pa_threaded_mainloop_unlock(F->Loop);
    return deOK;
}

void TPulseSoundOutput::Stop() {
    if (!F->Loop) return;
    pa_threaded_mainloop_lock(F->Loop);
    F->Active = false;
    F->Paused = false;
    F->ResetCounts();
    F->Reconcile(); // corks
    if (F->Stream && pa_stream_get_state(F->Stream) == PA_STREAM_READY)
        if (pa_operation* Op = pa_stream_flush(F->Stream, nullptr, nullptr)) pa_operation_unref(Op);
    pa_threaded_mainloop_unlock(F->Loop);
}

std::size_t TPulseSoundOutput::Write(const std::int16_t* Samples, std::size_t Frames) {
    if (!F->Loop) return 0;
    pa_threaded_mainloop_lock(F->Loop);
    std::size_t Taken = 0;
    if (F->Active && !F->Paused && F->Stream && pa_stream_get_state(F->Stream) == PA_STREAM_READY) {
        const std::size_t FrameBytes = sizeof(std::int16_t) * static_cast<std::size_t>(F->StreamChannels);
        const std::size_t Room = pa_stream_writable_size(F->Stream);
        if (Room != static_cast<std::size_t>(-1)) {
            Taken = std::min(Frames, Room / FrameBytes);
            if (Taken > 0 &&
                pa_stream_write(F->Stream, Samples, Taken * FrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                Taken = 0;
            F->Handed += Taken;
        }
    }
    pa_threaded_mainloop_unlock(F->Loop);
    return Taken;
}

std::uint64_t TPulseSoundOutput::PlayedFrames() {
    if (!F->Loop) return 0;
    pa_threaded_mainloop_lock(F->Loop);
    const std::uint64_t Played = F->Paused ? F->Held : F->PlayedNow();
    pa_threaded_mainloop_unlock(F->Loop);
    return Played;
}

void TPulseSoundOutput::SetPaused(bool Paused) {
    if (!F->Loop) return;
    pa_threaded_mainloop_lock(F->Loop);
    if (F->Paused != Paused) {
        if (Paused) F->Held = F->PlayedNow();
        F->Paused = Paused;
        F->Reconcile();
    }
    pa_threaded_mainloop_unlock(F->Loop);
}

bool TPulseSoundOutput::SetVolume(int Left, int Right) {
    if (!F->Loop) return false;
    pa_threaded_mainloop_lock(F->Loop);
    F->Left = std::clamp(Left, 0, 65535);
    F->Right = std::clamp(Right, 0, 65535);
    F->VolumeSet = true;
    F->Outside = false;
    F->ApplyVolume();
    pa_threaded_mainloop_unlock(F->Loop);
    return true;
}

bool TPulseSoundOutput::TakeVolumeChange(int& Left, int& Right) {
    if (!F->Loop) return false;
    pa_threaded_mainloop_lock(F->Loop);
    const bool Changed = F->Outside;
    if (Changed) {
        Left = F->Left;
        Right = F->Right;
        F->Outside = false;
    }
    pa_threaded_mainloop_unlock(F->Loop);
    return Changed;
}

bool TPulseSoundOutput::SoundLost() {
    if (!F->Loop) return true;
    pa_threaded_mainloop_lock(F->Loop);
    const bool Lost =
        F->Active && F->LostAt != 0 && NowMicros() - F->LostAt > std::int64_t(LostMillis) * 1000;
    pa_threaded_mainloop_unlock(F->Loop);
    return Lost;
}

std::string SoundStreamName() {
    return CurrentName();
}

void SetSoundStreamName(const std::string& Name) {
    {
        std::lock_guard Guard(NameLock);
        if (StreamName == Name) return;
        StreamName = Name;
    }
    const std::string Shown = CurrentName();
    std::lock_guard Guard(Names);
    for (TPulseSoundOutput::TState* S : Outputs) {
        pa_threaded_mainloop_lock(S->Loop);
        S->Rename(Shown);
        pa_threaded_mainloop_unlock(S->Loop);
    }
}

bool SoundServerReachable(int TimeoutMillis) {
    pa_mainloop* Loop = pa_mainloop_new();
    if (!Loop) return false;
    bool Ready = false;
    if (pa_context* Context = pa_context_new(pa_mainloop_get_api(Loop), "Orbelune")) {
        if (pa_context_connect(Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
            const auto Limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMillis);
            for (;;) {
                const pa_context_state_t State = pa_context_get_state(Context);
                if (State == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(State) ||
                    std::chrono::steady_clock::now() > Limit) {
                    Ready = State == PA_CONTEXT_READY;
                    break;
                }
                // Blocks for at most 10 ms at a time, so the limit holds.
                pa_mainloop_prepare(Loop, 10000);
                pa_mainloop_poll(Loop);
                pa_mainloop_dispatch(Loop);
            }
            pa_context_disconnect(Context);
        }
        pa_context_unref(Context);
    }
    pa_mainloop_free(Loop);
    return Ready;
}
