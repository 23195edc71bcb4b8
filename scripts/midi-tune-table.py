#!/usr/bin/python3
"""Measures the MIDI import on real files, as the README's table shows it.

Usage: scripts/midi-tune-table.py [MELODYNET-CLI] [FILE...]
Without files: openttd-openmsx's and freedink-data's MIDI files and the tunes
of abcmidi's examples, converted with abc2midi into a scratch folder. For
each file one Markdown row: the track taken, codes, pauses, adjustments, and
how many of the first (up to 16) notes aubionotes hears at the codes' pitch
in the player's rendering. Needs abcmidi and aubio-tools for those parts.
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

NOTE = {'c': 0, 'd': 2, 'e': 4, 'f': 5, 'g': 7, 'a': 9, 'b': 11}
CHANGES = {'нот перенесено': 'moved', 'нот не вошло': 'cut', 'нот аккордов отброшено': 'chord notes',
           'форшлагов пропущено': 'grace', 'нот укорочено': 'shortened'}


def codes_of(command):
    """Note codes of a play-command text: 1 for a pause, octave 1 c = 2."""
    codes, octave = [], 1
    for token in command.split():
        if token[0] == 'l':
            continue
        if token[0] == 'o':
            octave = int(token[1:])
        elif token[0] == 'p':
            codes.append(1)
        else:
            semitone = NOTE[token[0]] + token.count('#') + token.count('+') - token.count('-')
            codes.append(2 + (octave - 1) * 12 + semitone)
    return codes


def run(cli, *arguments):
    return subprocess.run([cli, *arguments], capture_output=True, text=True)


def default_files(scratch):
    files = sorted(glob.glob('/usr/share/games/openttd/baseset/openmsx/*.mid'))
    files += sorted(glob.glob('/usr/share/games/dink/dink/Sound/*.mid'))
    if shutil.which('abc2midi'):
        for abc in sorted(glob.glob('/usr/share/doc/abcmidi/examples/*.abc')):
            shutil.copy(abc, scratch)
            subprocess.run(['abc2midi', os.path.basename(abc)], cwd=scratch, capture_output=True)
        files += sorted(glob.glob(os.path.join(scratch, '*.mid')))
    return files


def heard(cli, codes, scratch):
    """How many of the first notes aubionotes hears at the codes' pitch, as "n/m"."""
    if not shutil.which('aubionotes'):
        return '—'
    first = codes[:16]
    wav = os.path.join(scratch, 'tune.wav')
    if run(cli, 'play', '--melody', ', '.join(map(str, first)), '--wav', wav).returncode != 0:
        return 'no sound'
    out = subprocess.run(['aubionotes', '-i', wav], capture_output=True, text=True).stdout
    pitches = [round(float(line.split()[0])) for line in out.splitlines() if len(line.split()) == 3]
    wanted = [code + 34 for code in first if code != 1]
    matched = sum(1 for got, want in zip(pitches, wanted) if got == want)
    return f'{matched}/{min(len(pitches), len(wanted))}'


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else 'build/bin/melodynet-cli'
    scratch = tempfile.mkdtemp(prefix='midi-tune-table-')
    try:
        files = sys.argv[2:] or default_files(scratch)
        print('| file | track taken | codes | pauses | adjustments | aubionotes |')
        print('| --- | --- | --- | --- | --- | --- |')
        for path in files:
            tracks = json.loads(run(cli, 'tracks', '--json', path).stdout or '{"tracks": []}')['tracks']
            chosen = next((t for t in tracks if t['chosen']), None)
            read = run(cli, 'command', '--melody-file', path)
            if read.returncode != 0 or chosen is None:
                print(f'| {os.path.basename(path)} | — | — | — | {read.stderr.strip()} | — |')
                continue
            codes = codes_of(read.stdout)
            changes = ', '.join(f'{count} {CHANGES[what]}'
                                for count, what in re.findall(r'(\d+) — (' + '|'.join(CHANGES) + ')', read.stderr))
            print(f"| {os.path.basename(path)} | {chosen['number']} «{chosen['name']}», program {chosen['program']} "
                  f"| {len(codes)} | {codes.count(1)} | {changes or '—'} | {heard(cli, codes, scratch)} |")
    finally:
        shutil.rmtree(scratch)


if __name__ == '__main__':
    main()
