#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

Headers are included by bare name ("race.h"), so every header name under src/ belongs to the one
folder that holds it; a file in folder F may include headers of the folders that ALLOWED[F] names
(and its own). A folder missing from the table is an error, so that a new layer is placed on purpose.
"""
import pathlib
import re
import sys

CORE = ['model']
MIDDLE = {
    'localization': CORE,
    'evaluation': CORE,
    'reader': CORE,
    'sync': CORE,
    'online': CORE + ['localization', 'iof'],
    'startlist': CORE + ['localization'],
    'iof': CORE + ['localization'],
    'documents': CORE + ['localization', 'iof'],
}
BELOW_STORE = CORE + list(MIDDLE)
ALLOWED = {'model': [], **MIDDLE, 'store': BELOW_STORE}
BELOW_SCREENS = BELOW_STORE + ['store']
# Screen modules build on everything below them and on the shared QML helpers of the app's ui folder.
SCREENS = BELOW_SCREENS + ['app/ui', 'screens/common']
# What the screen modules share stands on the store and below only.
ALLOWED['screens/common'] = BELOW_SCREENS

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path, src):
    rel = path.relative_to(src).parent.as_posix()
    return rel


def allowed_for(folder):
    if folder in ALLOWED:
        return ALLOWED[folder]
    if folder.startswith('screens/'):
        return SCREENS
    if folder == 'app' or folder.startswith('app/'):
        return None  # the top: anything
    raise KeyError(folder)


def main(root):
    src = pathlib.Path(root) / 'src'
    files = [p for p in src.rglob('*') if p.suffix in ('.h', '.cpp')]
    owner = {}
    for p in files:
        if p.suffix == '.h':
            owner.setdefault(p.name, set()).add(folder_of(p, src))
    errors = []
    for p in sorted(files):
        folder = folder_of(p, src)
        try:
            allowed = allowed_for(folder)
        except KeyError:
            errors.append(f'{p.relative_to(root)}: folder src/{folder} has no place in the layer table')
            continue
        if allowed is None:
            continue
        for header in INCLUDE.findall(p.read_text(encoding='utf-8')):
            name = pathlib.PurePosixPath(header).name
            for home in owner.get(name, ()):
                if home != folder and home not in allowed:
                    errors.append(f'{p.relative_to(root)}: includes "{header}" of src/{home}, '
                                  f'a layer src/{folder} may not use')
    for e in errors:
        print(e)
    if errors:
        print(f'check-layers: {len(errors)} include(s) across layers')
        return 1
    print(f'check-layers: {len(files)} files, no include from a higher layer')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent))
