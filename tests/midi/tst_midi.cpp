#include "melody/CommandReader.h"
#include "midi/MelodyReduction.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "midi/MidiLayout.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The import's error, None when it read a melody.
MidiError ErrorOf(const MidiImport& result) {
    return result ? MidiError::None : result.error().error;
}

// The bytes of a file in data/.
Bytes DataFile(const char* name) {
    std::ifstream in(fs::path(MIDI_DATA_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out(id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(data.size() >> shift));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A format-1 file (or `format`) of the given chunks after the header.
Bytes Smf(const std::vector<Bytes>& chunks, int format = 1) {
    Bytes out = Chunk("MThd", {0, static_cast<uint8_t>(format), 0, static_cast<uint8_t>(chunks.size()), 0x01, 0xe0});
    for (const Bytes& chunk : chunks)
        out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

Bytes Track(const Bytes& events) {
    return Chunk("MTrk", events);
}

// `a` followed by `b`.
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A file of one track of `events`.
Bytes OneTrack(const Bytes& events, int format = 1) {
    return Smf({Track(events)}, format);
}

// What an import read: the codes, the track and whether it chose it, then the notes
// moved, voices dropped, notes shortened, grace notes and notes cut.
using Summary = std::tuple<std::vector<uint8_t>, int, bool, size_t, size_t, size_t, size_t, size_t>;

// Files written by mido (see data/make_files.py), read as a whole or one track.
TEST(MidiImport, FilesOfAnIndependentWriter) {
    using E = MidiError;
    const struct {
        const char* file;
        std::optional<int> track;
        MidiError error;
        Summary read;
    } rows[] = {
        {"format1_tempo.mid", {}, E::None, {{26, 28, 30}, 1, true, 0, 0, 0, 0, 0}},
        {"running_status.mid", {}, E::None, {{35, 37, 38, 40}, 0, true, 0, 0, 0, 0, 0}},
        {"chords.mid", {}, E::None, {{33, 38, 31}, 0, true, 0, 4, 0, 0, 0}},
        {"out_of_range.mid", {}, E::None, {{2, 2, 38, 45, 13, 38, 2, 49}, 0, true, 6, 0, 0, 0, 0}},
        {"rests.mid", {}, E::None, {{26, 1, 28, 30, 1, 31, 33}, 0, true, 0, 0, 0, 0, 0}},
        {"drums_then_piano.mid", {}, E::None, {{33, 31, 30}, 2, true, 0, 0, 0, 0, 0}},
        {"drums_then_piano.mid", 2, E::None, {{33, 31, 30}, 2, false, 0, 0, 0, 0, 0}},
        {"drums_then_piano.mid", 1, E::OnlyPercussion, {}},
        {"drums_then_piano.mid", 0, E::NoNotes, {}},
        {"drums_then_piano.mid", 3, E::NoSuchTrack, {}},
        {"sysex_meta.mid", {}, E::None, {{21, 23}, 0, true, 0, 0, 0, 0, 0}},
        {"overlaps.mid", {}, E::None, {{26, 28, 30}, 0, true, 0, 0, 2, 0, 0}},
        {"percussion_only.mid", {}, E::OnlyPercussion, {}},
        {"no_notes.mid", {}, E::NoNotes, {}},
        {"format2.mid", {}, E::UnsupportedFormat, {}},
        {"truncated.mid", {}, E::Truncated, {}},
        // A listener hears another tune than the first track with every onset a note:
        // chord notes 8 ticks apart are one onset; its top note is the tune.
        {"strummed.mid", {}, E::None, {{33, 38, 42, 40}, 0, true, 0, 12, 0, 0, 0}},
        // Short notes in an even rhythm need no pauses; the quarter rest keeps one.
        {"staccato.mid", {}, E::None, {{26, 33, 37, 33, 26, 33, 1, 38, 37}, 0, true, 0, 0, 0, 0, 0}},
        // abc2midi's grace notes are left out and counted.
        {"grace.mid", {}, E::None, {{35, 37, 35, 33}, 0, true, 0, 0, 0, 2, 0}},
        // A group of grace notes stands where its main note belongs: no rest before it.
        {"grace_group.mid", {}, E::None, {{35, 37, 35, 33}, 0, true, 0, 0, 0, 3, 0}},
        // Six short notes falling into a long one are a run of the tune.
        {"fall.mid", {}, E::None, {{38, 40, 42, 45, 43, 41, 39, 37, 35, 33}, 0, true, 0, 0, 0, 0, 0}},
        // The bass guitar comes first; the tune is the piano track after it, unless the bass is asked for.
        {"bass_first.mid", {}, E::None, {{33, 35, 37, 38}, 2, true, 0, 0, 0, 0, 0}},
        {"bass_first.mid", 1, E::None, {{2, 9, 7, 2}, 1, false, 0, 0, 0, 0, 0}},
        // Two single lines in one range: the one named as the lead.
        {"lead_named.mid", {}, E::None, {{33, 35, 33, 31, 30}, 1, true, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const MidiImport result = ImportMidiMelody(DataFile(row.file), row.track);
        ASSERT_EQ(ErrorOf(result), row.error) << describe(ErrorOf(result));
        const MidiMelody m = result ? *result : MidiMelody{}; // a failure reads nothing
        EXPECT_EQ(Summary(m.codes, m.track, m.trackChosen, m.notesMoved, m.voicesDropped, m.notesShortened,
                          m.graceNotes, m.notesCut),
                  row.read);
    }
}

// What the track list tells about each track, and which it marks.
TEST(MidiImport, ListsTheTracks) {
    const MidiTrackList list = ListMidiTracks(DataFile("bass_first.mid")).value();
    ASSERT_EQ(list.tracks.size(), 3u);
    EXPECT_EQ(std::tuple(list.chosen, list.candidates, list.tracks[0].channel), std::tuple(2, 2, -1));
    const MidiTrackInfo& bass = list.tracks[1];
    EXPECT_EQ(std::tuple(bass.name, bass.channel, bass.program, bass.notes, bass.low, bass.high, bass.mostlyChords()),
              std::tuple("Track 1", 1, 33, 4u, 36, 43, false));
    EXPECT_TRUE(ListMidiTracks(DataFile("chords.mid")).value().tracks[0].mostlyChords());
    const MidiTrackList drums = ListMidiTracks(DataFile("drums_then_piano.mid")).value();
    EXPECT_EQ(std::tuple(drums.tracks[1].channel, drums.tracks[1].percussionNotes, drums.chosen), std::tuple(9, 4u, 2));
    // A track cut inside a meta event keeps what it read before, once.
    const MidiTrackList cut = ListMidiTracks(OneTrack({0x00, 0x90, 60, 90, 0x00, 0xff, 0x01, 0x05, 'a'})).value();
    ASSERT_EQ(cut.tracks.size(), 1u);
    EXPECT_EQ(std::tuple(cut.tracks[0].failure.error, cut.tracks[0].notes), std::tuple(MidiError::Truncated, 1u));
}

// A RIFF "RMID" file reads as the MIDI file it wraps, with offsets into the whole file.
TEST(MidiImport, RiffWrappedFiles) {
    const Bytes smf = DataFile("rests.mid");
    const auto riff = [](const Bytes& data, bool odd) {
        Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D'};
        if (odd) // a chunk of odd length before the data, padded
            out.insert(out.end(), {'L', 'I', 'S', 'T', 5, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 0});
        const auto size = static_cast<uint16_t>(data.size()); // the little-endian size of a small file
        out.insert(out.end(), {'d', 'a', 't', 'a', static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0, 0});
        out.insert(out.end(), data.begin(), data.end());
        return out;
    };
    for (const bool odd : {false, true}) {
        const MidiImport result = ImportMidiMelody(riff(smf, odd));
        ASSERT_TRUE(result.ok()) << describe(ErrorOf(result));
        EXPECT_EQ(result->codes, (std::vector<uint8_t>{26, 1, 28, 30, 1, 31, 33}));
    }
    const Bytes cut(smf.begin(), smf.end() - 9);
    const MidiImport damaged = ImportMidiMelody(riff(cut, false));
    EXPECT_EQ(ErrorOf(damaged), MidiError::Truncated);
    EXPECT_GE(damaged.error().offset, 20u);
    EXPECT_EQ(ErrorOf(ImportMidiMelody(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'})), MidiError::NotMidi);
    EXPECT_EQ(ErrorOf(ImportMidiMelody(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'})), MidiError::NotMidi);
}

// A header that announces no count reads no more tracks than a count could name.
TEST(MidiImport, TrackCountIsBounded) {
    Bytes file = Chunk("MThd", {0, 1, 0, 0, 0x01, 0xe0});
    for (size_t i = 0; i < MidiMaxTracks + 10; ++i)
        file.insert(file.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    const MidiTrackList list = ListMidiTracks(file).value();
    EXPECT_EQ(list.tracks.size(), MidiMaxTracks);
    EXPECT_FALSE(list.chosen);
}

// The common span is the most frequent one within a tenth, ties to the shorter.
TEST(MelodyReduction, CommonSpan) {
    const std::pair<std::vector<uint64_t>, uint64_t> rows[] = {
        {{}, 0},
        {{480}, 480},
        {{240, 240, 480, 240, 960}, 240},
        {{118, 121, 123, 240, 480, 119}, 121},
        {{480, 240}, 240},
        {{90, 90, 100, 110}, 100}, // a tenth either way, both ends included
    };
    for (const auto& [spans, common] : rows)
        EXPECT_EQ(MelodyReduction::CommonSpan(spans), common) << spans.size();
}

// A track of three notes of key 60 `span` ticks long, then notes {start after them,
// length, key}, in ticks of 480 a quarter; a note ends before one begins at its tick.
Bytes NoteTrack(uint32_t span, const std::vector<std::array<uint32_t, 3>>& notes) {
    std::vector<std::array<uint32_t, 3>> events; // tick, velocity, key
    for (uint32_t start = 0; start < 3 * span; start += span)
        events.insert(events.end(), {{start, 90, 60}, {start + span, 0, 60}});
    for (const auto& [start, length, key] : notes)
        events.insert(events.end(), {{3 * span + start, 90, key}, {3 * span + start + length, 0, key}});
    std::sort(events.begin(), events.end());
    Bytes out;
    uint32_t last = 0;
    for (const auto& [tick, velocity, key] : events) {
        Bytes delta{static_cast<uint8_t>((tick - last) & 0x7f)};
        for (uint32_t rest = (tick - last) >> 7; rest > 0; rest >>= 7)
            delta.insert(delta.begin(), static_cast<uint8_t>(0x80 | (rest & 0x7f)));
        out.insert(out.end(), delta.begin(), delta.end());
        out.insert(out.end(), {static_cast<uint8_t>(velocity > 0 ? 0x90 : 0x80), static_cast<uint8_t>(key),
                               static_cast<uint8_t>(velocity)});
        last = tick;
    }
    return Track(out);
}

// Where the tune's reduction draws its lines: grace notes, and the notes struck together.
TEST(MelodyReduction, GraceNotesAndChordsAtTheirLimits) {
    const struct {
        const char* name;
        uint32_t span;
        std::vector<std::array<uint32_t, 3>> notes;
        std::vector<uint8_t> codes; // after the three of key 60
    } rows[] = {
        // Four grace notes are still a group, not a run of the tune.
        {"four grace notes",
         480,
         {{0, 30, 62}, {30, 30, 64}, {60, 30, 65}, {90, 30, 67}, {120, 480, 69}, {600, 480, 60}},
         {35, 26}},
        // A main note twice as long as its grace note.
        {"grace note half its note", 480, {{0, 30, 62}, {30, 60, 64}, {510, 480, 60}}, {30, 26}},
        // At a common span of 200 ticks notes begun within 50 of each other are one chord.
        {"chord struck unevenly", 200, {{0, 200, 64}, {45, 155, 67}, {200, 200, 60}}, {33, 26}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MidiImport result = ImportMidiMelody(Smf({NoteTrack(row.span, row.notes)}, 0));
        ASSERT_TRUE(result.ok()) << describe(result.error().error);
        EXPECT_EQ(result->codes, Cat({26, 26, 26}, row.codes));
    }
}

// Damaged and odd files built byte by byte: the error and where it lies, or the codes.
TEST(MidiImport, DamagedAndOddBytes) {
    using E = MidiError;
    const Bytes note = {0x00, 0x90, 60, 90, 0x83, 0x60, 0x80, 60, 0};
    Bytes tooLong = OneTrack(note);
    tooLong[18] = 0xff; // the track's length far beyond the file
    const Bytes twice = {0x00, 0x90, 60, 90, 0x00, 60, 90, 0x10, 60, 0, 0x00, 62, 90};
    const struct {
        const char* name;
        Bytes bytes;
        MidiError error;
        size_t offset;
        std::vector<uint8_t> codes;
    } rows[] = {
        {"empty", {}, E::NotMidi, 0, {}},
        {"RIFF", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, E::NotMidi, 0, {}},
        {"header cut", {'M', 'T', 'h', 'd', 0, 0}, E::Truncated, 4, {}},
        {"header without its body", {'M', 'T', 'h', 'd', 0, 0, 0, 6}, E::Truncated, 0, {}},
        {"short header", Chunk("MThd", {0, 1, 0}), E::BadHeader, 4, {}},
        {"format 3", OneTrack(note, 3), E::BadHeader, 8, {}},
        {"format 2", OneTrack(note, 2), E::UnsupportedFormat, 8, {}},
        {"zero tracks", Chunk("MThd", {0, 1, 0, 0, 0x01, 0xe0}), E::NoTracks, 14, {}},
        {"absurd track length", tooLong, E::Truncated, 14, {}},
        {"chunk header cut", Cat(OneTrack(note), {'M', 'T'}), E::None, 0, {26}},
        {"unknown chunk", Smf({Chunk("XFIH", {1, 2, 3}), Track(note)}), E::None, 0, {26}},
        {"data byte first", OneTrack({0x00, 60, 90}), E::BadEvent, 23, {}},
        {"five-byte delta", OneTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 90}), E::BadNumber, 22, {}},
        {"data byte of 128", OneTrack({0x00, 0x90, 0x80, 90}), E::BadEvent, 24, {}},
        {"system common", OneTrack({0x00, 0xf2, 0, 0}), E::BadEvent, 23, {}},
        {"event cut", OneTrack({0x00, 0x90, 60}), E::Truncated, 23, {}},
        {"meta cut", OneTrack({0x00, 0xff, 0x01, 0x05, 'a'}), E::Truncated, 23, {}},
        {"sysex of absurd length", OneTrack({0x00, 0xf0, 0x8f, 0xff, 0xff, 0x7f}), E::Truncated, 23, {}},
        {"only note-offs", OneTrack({0x00, 0x80, 60, 0, 0x10, 60, 0, 0x00, 0x90, 60, 0}), E::NoNotes, 0, {}},
        {"huge delta, a rest", OneTrack(Cat(note, {0xff, 0xff, 0xff, 0x7f, 0x90, 62, 90})), E::None, 0, {26, 1, 28}},
        {"note held to track end", OneTrack(Cat({0x00, 0x90, 72, 1, 0x00, 0xff, 0x2f, 0x00}, note)), E::None, 0, {38}},
        {"a lone bass track", OneTrack(Cat({0x00, 0xc0, 33}, note)), E::None, 0, {26}},
        {"same key twice at once", OneTrack(twice), E::None, 0, {26, 28}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MidiImport result = ImportMidiMelody(row.bytes);
        EXPECT_EQ(ErrorOf(result), row.error) << describe(ErrorOf(result));
        if (result.ok())
            EXPECT_EQ(result->codes, row.codes);
        else
            EXPECT_EQ(result.error().offset, row.offset);
    }
    EXPECT_EQ(ErrorOf(ImportMidiMelody(Bytes(MidiMaxFileBytes + 1, 0))), MidiError::TooLarge);
}

// Any change the import made counts, however the counts compare with each other.
TEST(MidiMelody, AnyChangeIsAnAdjustment) {
    MidiMelody melody, other;
    melody.notesMoved = melody.notesCut = 1;
    other.voicesDropped = other.notesShortened = 1;
    EXPECT_TRUE(!MidiMelody().adjusted() && melody.adjusted() && other.adjusted());
}

TEST(MidiImport, KeepsTheFirst1024Codes) {
    // 1100 quarter notes with an eighth rest after every 100th: 1111 codes.
    Bytes events;
    for (int i = 0; i < 1100; ++i) {
        if (i > 0 && i % 100 == 0)
            events.insert(events.end(), {0x83, 0x60});
        else
            events.push_back(0x00);
        const auto key = static_cast<uint8_t>(48 + i % 24);
        events.insert(events.end(), {0x90, key, 90, 0x83, 0x60, 0x80, key, 0});
    }
    const MidiImport result = ImportMidiMelody(OneTrack(events, 0));
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result->codes.size(), MidiMaxCodes);
    // Ten pauses lie among the first 1014 notes; 86 notes are left out.
    EXPECT_EQ(std::tuple(result->notesCut, int(result->codes[100]), int(result->codes[1023])),
              std::tuple(86u, 1, 48 + 1013 % 24 - 34));
}

// Exported files read back to the codes of the command text, at every note length and tempo.
TEST(MidiExport, ImportsBackToTheSameCodes) {
    const std::pair<std::string, std::vector<uint8_t>> rows[] = {
        {"l8 o1 c# f# a c# f# a d f# g# p8 f# g#", {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10}},
        {"l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b", {3, 15, 1, 27, 2, 49}},
        {"t197 l7 o2 c d. p3 e16 f#", {14, 16, 1, 18, 20}},
        {"o0 c o8 c", {2, 38}},
        {"o9 c o11 c o3 a", {35}}, // keys beyond MIDI's 127 stay silent; the file holds only the other notes
    };
    for (const auto& [text, codes] : rows) {
        SCOPED_TRACE(text);
        const MidiImport result = ImportMidiMelody(MidiFileFromEvents(CommandReader::read(text).events));
        ASSERT_TRUE(result.ok()) << describe(ErrorOf(result));
        EXPECT_EQ(result->codes, codes);
    }
}

// The exit status and output of /usr/bin/python3 running `script` on a file of `midi`.
std::pair<int, std::string> RunPython(const std::string& script, const Bytes& midi) {
    const std::string base = (fs::temp_directory_path() / ("tst_midi_" + std::to_string(getpid()))).string();
    std::ofstream(base + ".py") << script;
    std::ofstream(base + ".mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(midi.data()), static_cast<std::streamsize>(midi.size()));
    std::pair<int, std::string> result{-1, {}};
    if (FILE* pipe = popen(("/usr/bin/python3 '" + base + ".py' '" + base + ".mid' 2>&1").c_str(), "r")) {
        char buffer[4096];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            result.second.append(buffer, n);
        result.first = pclose(pipe);
    }
    fs::remove(base + ".py");
    fs::remove(base + ".mid");
    return result;
}

// mido reads the written file: one track of format 0, tempo 120, the program,
// and each note at the player's times (7/8 of its event), within one tick.
TEST(MidiExport, MidoReadsNotesTimesTempoAndProgram) {
    if (RunPython("import mido\n", {}).first != 0)
        GTEST_SKIP() << "/usr/bin/python3 with mido (Debian's python3-mido) is missing";
    const std::vector<PlayEvent> events = CommandReader::read("t150 l8 o1 c# f#. p16 > a l2 b-").events;
    const auto [status, out] = RunPython(R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
print(f.type, len(f.tracks), f.ticks_per_beat)
t = 0.0
for m in f:
    t += m.time
    if m.type == 'set_tempo': print('tempo', m.tempo)
    elif m.type == 'program_change': print('program', m.channel, m.program)
    elif m.type == 'track_name': print('name', m.name)
    elif m.type in ('note_on', 'note_off'):
        print('on' if m.type == 'note_on' and m.velocity > 0 else 'off', m.note, m.velocity, repr(t))
    elif m.type == 'end_of_track': print('end', repr(t))
)",
                                         MidiFileFromEvents(events, {.program = 41, .trackName = "tune"}));
    ASSERT_EQ(status, 0) << out;

    std::istringstream lines(out);
    std::string head, word;
    for (int i = 0; i < 4 && std::getline(lines, word); ++i)
        head += word + "; ";
    EXPECT_EQ(head, "0 1 " + std::to_string(MidiTicksPerQuarter) + "; name tune; tempo 500000; program 0 41; ");
    const double tick = 0.5 / MidiTicksPerQuarter;
    double start = 0.0, onTime = 0, offTime = 0;
    for (const PlayEvent& event : events) {
        if (event.key >= 0) {
            std::string on, off;
            int key = 0, velocity = 0, offKey = 0, offVelocity = 0;
            lines >> on >> key >> velocity >> onTime >> off >> offKey >> offVelocity >> offTime;
            EXPECT_EQ(std::tie(on, key, velocity, off, offKey),
                      std::tuple("on", event.key, MidiVelocity, "off", event.key))
                << out;
            EXPECT_NEAR(onTime, start, tick);
            EXPECT_NEAR(offTime, start + event.seconds * 7.0 / 8.0, tick);
        }
        start += event.seconds;
    }
    lines >> word >> offTime;
    EXPECT_EQ(word, "end");
    EXPECT_NEAR(offTime, start, tick);
}

} // namespace
