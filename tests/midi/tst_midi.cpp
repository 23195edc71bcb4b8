#include "melody/CommandReader.h"
#include "midi/MelodyReduction.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "midi/MidiLayout.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
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

constexpr char DefaultCommand[] = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";
const std::vector<uint8_t> DefaultCodes = {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};

// The import's error, None when it read a melody.
MidiError ErrorOf(const MidiImport& result) {
    return result ? MidiError::None : result.error().error;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out(id, id + 4);
    Put32(out, static_cast<uint32_t>(data.size()));
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

// Files written by mido (see data/make_files.py), read as a whole or one track.
TEST(MidiImport, FilesOfAnIndependentWriter) {
    const struct {
        const char* file;
        std::optional<int> track;
        MidiError error;
        std::vector<uint8_t> codes;
        int readTrack;
        size_t moved, dropped, shortened;
    } rows[] = {
        {"format1_tempo.mid", {}, MidiError::None, {26, 28, 30}, 1, 0, 0, 0},
        {"running_status.mid", {}, MidiError::None, {35, 37, 38, 40}, 0, 0, 0, 0},
        {"chords.mid", {}, MidiError::None, {33, 38, 31}, 0, 0, 4, 0},
        {"out_of_range.mid", {}, MidiError::None, {2, 2, 38, 45, 13, 38, 2, 49}, 0, 6, 0, 0},
        {"rests.mid", {}, MidiError::None, {26, 1, 28, 30, 1, 31, 33}, 0, 0, 0, 0},
        {"drums_then_piano.mid", {}, MidiError::None, {33, 31, 30}, 2, 0, 0, 0},
        {"drums_then_piano.mid", 2, MidiError::None, {33, 31, 30}, 2, 0, 0, 0},
        {"drums_then_piano.mid", 1, MidiError::OnlyPercussion, {}, 0, 0, 0, 0},
        {"drums_then_piano.mid", 0, MidiError::NoNotes, {}, 0, 0, 0, 0},
        {"drums_then_piano.mid", 3, MidiError::NoSuchTrack, {}, 0, 0, 0, 0},
        {"sysex_meta.mid", {}, MidiError::None, {21, 23}, 0, 0, 0, 0},
        {"overlaps.mid", {}, MidiError::None, {26, 28, 30}, 0, 0, 0, 2},
        {"percussion_only.mid", {}, MidiError::OnlyPercussion, {}, 0, 0, 0, 0},
        {"no_notes.mid", {}, MidiError::NoNotes, {}, 0, 0, 0, 0},
        {"format2.mid", {}, MidiError::UnsupportedFormat, {}, 0, 0, 0, 0},
        {"truncated.mid", {}, MidiError::Truncated, {}, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const Bytes bytes = ReadFile(fs::path(MIDI_DATA_DIR) / row.file);
        ASSERT_FALSE(bytes.empty());
        const MidiImport result = ImportMidiMelody(bytes, row.track);
        ASSERT_EQ(ErrorOf(result), row.error) << describe(ErrorOf(result));
        if (!result.ok())
            continue;
        EXPECT_EQ(result->codes, row.codes);
        EXPECT_EQ(result->track, row.readTrack);
        EXPECT_EQ(result->notesMoved, row.moved);
        EXPECT_EQ(result->voicesDropped, row.dropped);
        EXPECT_EQ(result->notesShortened, row.shortened);
        EXPECT_EQ(result->notesCut, 0u);
    }
}

// Files in which a listener hears another tune than the first track with
// every onset a note: the track taken, the codes and what was left out.
TEST(MidiImport, TheTuneAListenerHears) {
    const struct {
        const char* file;
        std::vector<uint8_t> codes;
        int track;
        size_t dropped, graces;
    } rows[] = {
        // Chord notes 8 ticks apart are one onset; its top note is the tune.
        {"strummed.mid", {33, 38, 42, 40}, 0, 12, 0},
        // Short notes in an even rhythm need no pauses; the quarter rest keeps one.
        {"staccato.mid", {26, 33, 37, 33, 26, 33, 1, 38, 37}, 0, 0, 0},
        // abc2midi's grace notes are left out and counted.
        {"grace.mid", {35, 37, 35, 33}, 0, 0, 2},
        // A group of grace notes stands where its main note belongs: no rest before it.
        {"grace_group.mid", {35, 37, 35, 33}, 0, 0, 3},
        // Six short notes falling into a long one are a run of the tune.
        {"fall.mid", {38, 40, 42, 45, 43, 41, 39, 37, 35, 33}, 0, 0, 0},
        // The bass guitar comes first; the tune is the piano track after it.
        {"bass_first.mid", {33, 35, 37, 38}, 2, 0, 0},
        // Two single lines in one range: the one named as the lead.
        {"lead_named.mid", {33, 35, 33, 31, 30}, 1, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const MidiImport result = ImportMidiMelody(ReadFile(fs::path(MIDI_DATA_DIR) / row.file));
        ASSERT_TRUE(result.ok()) << describe(ErrorOf(result));
        EXPECT_EQ(result->codes, row.codes);
        EXPECT_EQ(result->track, row.track);
        EXPECT_TRUE(result->trackChosen);
        EXPECT_EQ(result->voicesDropped, row.dropped);
        EXPECT_EQ(result->graceNotes, row.graces);
    }
    // --track still takes the track asked for.
    const MidiImport bass = ImportMidiMelody(ReadFile(fs::path(MIDI_DATA_DIR) / "bass_first.mid"), 1);
    ASSERT_TRUE(bass.ok());
    EXPECT_EQ(bass->codes, (std::vector<uint8_t>{2, 9, 7, 2}));
    EXPECT_FALSE(bass->trackChosen);
}

// What the track list tells about each track, and which it marks.
TEST(MidiImport, ListsTheTracks) {
    const MidiTrackList list = ListMidiTracks(ReadFile(fs::path(MIDI_DATA_DIR) / "bass_first.mid")).value();
    ASSERT_EQ(list.tracks.size(), 3u);
    EXPECT_EQ(list.chosen, 2);
    EXPECT_EQ(list.candidates, 2);
    const MidiTrackInfo& bass = list.tracks[1];
    EXPECT_EQ(bass.name, "Track 1");
    EXPECT_EQ(bass.channel, 1);
    EXPECT_EQ(bass.program, 33);
    EXPECT_EQ(bass.notes, 4u);
    EXPECT_EQ(bass.low, 36);
    EXPECT_EQ(bass.high, 43);
    EXPECT_FALSE(bass.mostlyChords());
    EXPECT_EQ(list.tracks[0].channel, -1);
    EXPECT_TRUE(ListMidiTracks(ReadFile(fs::path(MIDI_DATA_DIR) / "chords.mid")).value().tracks[0].mostlyChords());
    const MidiTrackList drums = ListMidiTracks(ReadFile(fs::path(MIDI_DATA_DIR) / "drums_then_piano.mid")).value();
    EXPECT_EQ(drums.tracks[1].channel, 9);
    EXPECT_EQ(drums.tracks[1].percussionNotes, 4u);
    EXPECT_EQ(drums.chosen, 2);
    // A track cut inside a meta event keeps what it read before, once.
    const MidiTrackList cut = ListMidiTracks(Smf({Track({0x00, 0x90, 60, 90, 0x00, 0xff, 0x01, 0x05, 'a'})})).value();
    ASSERT_EQ(cut.tracks.size(), 1u);
    EXPECT_EQ(cut.tracks[0].failure.error, MidiError::Truncated);
    EXPECT_EQ(cut.tracks[0].notes, 1u);
}

// A RIFF "RMID" file reads as the MIDI file it wraps, with offsets into the whole file.
TEST(MidiImport, RiffWrappedFiles) {
    const Bytes smf = ReadFile(fs::path(MIDI_DATA_DIR) / "rests.mid");
    const auto riff = [](const Bytes& data, bool odd) {
        Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D'};
        const Bytes info = {'I', 'N', 'F', 'O', 'x'};
        if (odd) { // a chunk of odd length before the data, padded
            out.insert(out.end(), {'L', 'I', 'S', 'T', 5, 0, 0, 0});
            out.insert(out.end(), info.begin(), info.end());
            out.push_back(0);
        }
        const auto size = static_cast<uint32_t>(data.size());
        out.insert(out.end(), {'d', 'a', 't', 'a', static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                               static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)});
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

// A track of notes {start, length, key}, in ticks of 480 a quarter; a note ends before one begins at its tick.
Bytes NoteTrack(const std::vector<std::array<uint32_t, 3>>& notes) {
    std::vector<std::array<uint32_t, 3>> events; // tick, velocity, key
    for (const auto& [start, length, key] : notes)
        events.insert(events.end(), {{start, 90, key}, {start + length, 0, key}});
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
        std::vector<std::array<uint32_t, 3>> notes;
        std::vector<uint8_t> codes;
    } rows[] = {
        // Four grace notes are still a group, not a run of the tune.
        {"four grace notes",
         {{0, 480, 60},
          {480, 480, 60},
          {960, 480, 60},
          {1440, 30, 62},
          {1470, 30, 64},
          {1500, 30, 65},
          {1530, 30, 67},
          {1560, 480, 69},
          {2040, 480, 60}},
         {26, 26, 26, 35, 26}},
        // A main note twice as long as its grace note.
        {"grace note half its note",
         {{0, 480, 60}, {480, 480, 60}, {960, 480, 60}, {1440, 30, 62}, {1470, 60, 64}, {1950, 480, 60}},
         {26, 26, 26, 30, 26}},
        // At a common span of 200 ticks notes begun within 50 of each other are one chord.
        {"chord struck unevenly",
         {{0, 200, 60}, {200, 200, 60}, {400, 200, 60}, {600, 200, 64}, {645, 155, 67}, {800, 200, 60}},
         {26, 26, 26, 33, 26}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MidiImport result = ImportMidiMelody(Smf({NoteTrack(row.notes)}, 0));
        ASSERT_TRUE(result.ok()) << describe(result.error().error);
        EXPECT_EQ(result->codes, row.codes);
    }
}

// Damaged and odd files built byte by byte: the error and where it lies, or the codes.
TEST(MidiImport, DamagedAndOddBytes) {
    const Bytes note = {0x00, 0x90, 60, 90, 0x83, 0x60, 0x80, 60, 0};
    const Bytes end = {0x00, 0xff, 0x2f, 0x00};
    auto events = [&](Bytes before, Bytes after = {}) {
        before.insert(before.end(), after.begin(), after.end());
        return before;
    };
    Bytes zeroTracks = Chunk("MThd", {0, 1, 0, 0, 0x01, 0xe0});
    Bytes badHeader = Chunk("MThd", {0, 1, 0});
    Bytes format3 = Smf({Track(note)}, 3);
    Bytes tooLong = Smf({Track(note)});
    tooLong[18] = 0xff; // the track's length far beyond the file
    Bytes noStatus = Smf({Track({0x00, 60, 90})});

    const struct {
        const char* name;
        Bytes bytes;
        MidiError error;
        size_t offset;
        std::vector<uint8_t> codes;
    } rows[] = {
        {"empty", {}, MidiError::NotMidi, 0, {}},
        {"RIFF", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, MidiError::NotMidi, 0, {}},
        {"header cut", {'M', 'T', 'h', 'd', 0, 0}, MidiError::Truncated, 4, {}},
        {"short header", badHeader, MidiError::BadHeader, 4, {}},
        {"format 3", format3, MidiError::BadHeader, 8, {}},
        {"format 2", Smf({Track(note)}, 2), MidiError::UnsupportedFormat, 8, {}},
        {"zero tracks", zeroTracks, MidiError::NoTracks, 14, {}},
        {"absurd track length", tooLong, MidiError::Truncated, 14, {}},
        {"chunk header cut", events(Smf({Track(note)}), {'M', 'T'}), MidiError::None, 0, {26}},
        {"unknown chunk", Smf({Chunk("XFIH", {1, 2, 3}), Track(note)}), MidiError::None, 0, {26}},
        {"data byte first", noStatus, MidiError::BadEvent, 23, {}},
        {"five-byte delta", Smf({Track({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 90})}), MidiError::BadNumber, 22, {}},
        {"data byte of 128", Smf({Track({0x00, 0x90, 0x80, 90})}), MidiError::BadEvent, 24, {}},
        {"system common", Smf({Track({0x00, 0xf2, 0, 0})}), MidiError::BadEvent, 23, {}},
        {"event cut", Smf({Track({0x00, 0x90, 60})}), MidiError::Truncated, 23, {}},
        {"meta cut", Smf({Track({0x00, 0xff, 0x01, 0x05, 'a'})}), MidiError::Truncated, 23, {}},
        {"sysex of absurd length", Smf({Track({0x00, 0xf0, 0x8f, 0xff, 0xff, 0x7f})}), MidiError::Truncated, 23, {}},
        {"only note-offs",
         Smf({Track({0x00, 0x80, 60, 0, 0x10, 60, 0, 0x00, 0x90, 60, 0})}),
         MidiError::NoNotes,
         0,
         {}},
        {"huge delta, then a rest",
         Smf({Track(events(note, {0xff, 0xff, 0xff, 0x7f, 0x90, 62, 90}))}),
         MidiError::None,
         0,
         {26, 1, 28}},
        {"never released, then end of track",
         Smf({Track(events({0x00, 0x90, 72, 1}, events(end, note)))}),
         MidiError::None,
         0,
         {38}},
        {"a lone bass track", Smf({Track(events({0x00, 0xc0, 33}, note))}), MidiError::None, 0, {26}},
        {"same key twice at once",
         Smf({Track({0x00, 0x90, 60, 90, 0x00, 60, 90, 0x10, 60, 0, 0x00, 62, 90})}),
         MidiError::None,
         0,
         {26, 28}},
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
    const MidiImport result = ImportMidiMelody(Smf({Track(events)}, 0));
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result->codes.size(), MidiMaxCodes);
    // Ten pauses lie among the first 1014 notes; 86 notes are left out.
    EXPECT_EQ(result->notesCut, 86u);
    EXPECT_EQ(result->codes[100], 1);
    EXPECT_EQ(result->codes[1023], 48 + 1013 % 24 - 34);
}

// Exported files read back to the codes of the command text, at every note length and tempo.
TEST(MidiExport, ImportsBackToTheSameCodes) {
    const struct {
        std::string text;
        std::vector<uint8_t> codes;
    } rows[] = {
        {DefaultCommand, DefaultCodes},
        {"l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b", {3, 15, 1, 27, 2, 49}},
        {"t197 l7 o2 c d. p3 e16 f#", {14, 16, 1, 18, 20}},
        {"o0 c o8 c", {2, 38}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const MidiImport result = ImportMidiMelody(MidiFileFromEvents(CommandReader::read(row.text).events));
        ASSERT_TRUE(result.ok()) << describe(ErrorOf(result));
        EXPECT_EQ(result->codes, row.codes);
    }
    // Keys beyond MIDI's 127 stay silent; the file holds only the other notes.
    const MidiImport high = ImportMidiMelody(MidiFileFromEvents(CommandReader::read("o9 c o11 c o3 a").events));
    EXPECT_EQ(high->codes, std::vector<uint8_t>{35});
}

struct Python {
    int exitCode;
    std::string out;
};

Python RunPython(const std::string& script, const fs::path& file) {
    const fs::path scriptFile = fs::temp_directory_path() / ("tst_midi_" + std::to_string(getpid()) + ".py");
    std::ofstream(scriptFile) << script;
    const std::string command = "/usr/bin/python3 '" + scriptFile.string() + "' '" + file.string() + "' 2>&1";
    Python result{-1, {}};
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            result.out.append(buffer, n);
        result.exitCode = pclose(pipe);
    }
    fs::remove(scriptFile);
    return result;
}

// mido reads the written file: one track of format 0, tempo 120, the program,
// and each note at the player's times (7/8 of its event), within one tick.
TEST(MidiExport, MidoReadsNotesTimesTempoAndProgram) {
    if (RunPython("import mido\n", "").exitCode != 0)
        GTEST_SKIP() << "/usr/bin/python3 with mido (Debian's python3-mido) is missing";
    const std::string text = "t150 l8 o1 c# f#. p16 > a l2 b-";
    const std::vector<PlayEvent> events = CommandReader::read(text).events;
    const fs::path file = fs::temp_directory_path() / ("tst_midi_" + std::to_string(getpid()) + ".mid");
    {
        const Bytes bytes = MidiFileFromEvents(events, {.program = 41, .trackName = "tune"});
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const Python python = RunPython(R"(import sys, mido
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
                                    file);
    fs::remove(file);
    ASSERT_EQ(python.exitCode, 0) << python.out;

    std::istringstream lines(python.out);
    std::string word;
    int type = 0, tracks = 0, division = 0, tempo = 0, channel = -1, program = -1;
    std::string name;
    lines >> type >> tracks >> division >> word >> name >> word >> tempo >> word >> channel >> program;
    EXPECT_EQ(type, 0);
    EXPECT_EQ(tracks, 1);
    EXPECT_EQ(division, MidiTicksPerQuarter);
    EXPECT_EQ(name, "tune");
    EXPECT_EQ(tempo, 500000);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(program, 41);

    const double tick = 0.5 / MidiTicksPerQuarter;
    double start = 0.0;
    for (const PlayEvent& event : events) {
        if (event.key >= 0) {
            std::string on, off;
            int key = 0, velocity = 0, offKey = 0, offVelocity = 0;
            double onTime = 0, offTime = 0;
            lines >> on >> key >> velocity >> onTime >> off >> offKey >> offVelocity >> offTime;
            EXPECT_EQ(on, "on") << python.out;
            EXPECT_EQ(off, "off");
            EXPECT_EQ(key, event.key);
            EXPECT_EQ(offKey, key);
            EXPECT_EQ(velocity, MidiVelocity);
            EXPECT_NEAR(onTime, start, tick);
            EXPECT_NEAR(offTime, start + event.seconds * 7.0 / 8.0, tick);
        }
        start += event.seconds;
    }
    double endTime = 0;
    lines >> word >> endTime;
    EXPECT_EQ(word, "end");
    EXPECT_NEAR(endTime, start, tick);
}

} // namespace
