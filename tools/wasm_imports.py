#!/usr/bin/env python3
"""Writes the functions and data a wasm side module imports by name, less
what it exports itself, as the JSON lists emcc takes: EXPORTED_FUNCTIONS
("_name" each) in OUT and DEFAULT_LIBRARY_FUNCS_TO_INCLUDE (those of
emscripten's own JavaScript library among them) in LIBRARY_OUT. The main
module then exports exactly what the engine module needs from it.
EXTRA names are added to LIBRARY_OUT.
usage: wasm_imports.py MODULE OUT LIBRARY_OUT [EXTRA]..."""
import json
import sys

# What the loader itself provides to every side module.
PROVIDED = {"memory", "__indirect_function_table", "__stack_pointer", "__memory_base", "__table_base"}


def leb(data, pos):
    value = shift = 0
    while True:
        byte = data[pos]
        pos += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, pos


def name(data, pos):
    length, pos = leb(data, pos)
    return data[pos:pos + length].decode(), pos + length


def sections(data):
    """(id, start, end) of each section."""
    if data[:4] != b"\0asm":
        raise ValueError("not a wasm module")
    pos = 8
    while pos < len(data):
        section, pos = data[pos], pos + 1
        size, pos = leb(data, pos)
        yield section, pos, pos + size
        pos += size


def exports(data):
    for section, pos, end in sections(data):
        if section == 7:
            count, pos = leb(data, pos)
            for _ in range(count):
                field, pos = name(data, pos)
                _, pos = leb(data, pos + 1)
                yield field


def limits(data, pos):
    """Skips a table's or memory's limits: flags, minimum, maximum if flagged."""
    flags, pos = leb(data, pos)
    _, pos = leb(data, pos)
    if flags & 1:
        _, pos = leb(data, pos)
    return pos


def imports(data):
    for section, pos, end in sections(data):
        if section == 2:
            count, pos = leb(data, pos)
            for _ in range(count):
                module, pos = name(data, pos)
                field, pos = name(data, pos)
                kind, pos = data[pos], pos + 1
                if kind == 0:  # function: type index
                    _, pos = leb(data, pos)
                elif kind == 1:  # table: element type, limits
                    pos = limits(data, pos + 1)
                elif kind == 2:  # memory: limits
                    pos = limits(data, pos)
                else:  # global: value type, mutability
                    pos += 2
                yield module, field


def main():
    module, out, library_out = sys.argv[1:4]
    try:
        with open(module, "rb") as f:
            data = f.read()
        # What the module exports itself (the GOT entries of its own functions,
        # the weak template code it both defines and imports) is bound to it.
        own = set(exports(data))
        # invoke_* wrappers are made by the loader as needed.
        names = sorted({field for mod, field in imports(data)
                        if mod in ("env", "GOT.func", "GOT.mem") and field not in own and field not in PROVIDED
                        and not field.startswith("invoke_")})
    except (OSError, ValueError, IndexError, UnicodeDecodeError) as error:
        sys.exit(f"{module}: cannot read its imports: {error}")
    with open(out, "w") as f:
        json.dump(["_" + n for n in names] + ["_main"], f)
    with open(library_out, "w") as f:
        json.dump(names + sys.argv[4:], f)


main()
