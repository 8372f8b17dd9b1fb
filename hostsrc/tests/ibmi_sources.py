"""Readers for the IBM i sources of the host object: CL statements and fixed-form RPG IV lines.
They understand only as much of each language as the sources use, and say so when they meet
something else, so that a change to the sources cannot slip past the checks unread."""
import re
from dataclasses import dataclass, field


class SourceError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# CL

@dataclass
class ClStatement:
    line: int  # first source line of the statement
    label: str
    command: str
    params: dict  # keyword -> raw value text inside the parentheses
    nested: bool = False  # run by the THEN, CMD or EXEC of the statement before it


def _strip_cl_comments(text):
    """Removes /* ... */ outside quoted strings; quotes inside comments do not count."""
    out, i, in_quote = [], 0, False
    while i < len(text):
        c = text[i]
        if in_quote:
            out.append(c)
            if c == "'":
                in_quote = False
            i += 1
        elif text.startswith('/*', i):
            end = text.find('*/', i + 2)
            if end < 0:
                raise SourceError('unterminated comment')
            out.append(''.join(ch if ch == '\n' else ' ' for ch in text[i:end + 2]))
            i = end + 2
        else:
            if c == "'":
                in_quote = True
            out.append(c)
            i += 1
    return ''.join(out)


def _split_params(text, line):
    """KEYWORD(value) KEYWORD(value) ... with nested parentheses and quoted strings."""
    params, i = {}, 0
    while True:
        while i < len(text) and text[i] == ' ':
            i += 1
        if i == len(text):
            return params
        m = re.compile(r'[A-Z][A-Z0-9]*\(').match(text, i)
        if not m:
            raise SourceError('line %d: expected KEYWORD( at "%s"' % (line, text[i:i + 20]))
        keyword, depth, j, in_quote = m.group()[:-1], 1, m.end(), False
        while depth:
            if j == len(text):
                raise SourceError('line %d: unbalanced parentheses' % line)
            c = text[j]
            if in_quote:
                in_quote = c != "'"
            elif c == "'":
                in_quote = True
            elif c == '(':
                depth += 1
            elif c == ')':
                depth -= 1
            j += 1
        if keyword in params:
            raise SourceError('line %d: %s given twice' % (line, keyword))
        params[keyword] = text[m.end():j - 1]
        i = j


def parse_cl(text):
    lines = _strip_cl_comments(text).split('\n')
    statements, pending, start = [], '', 0
    for number, raw in enumerate(lines, 1):
        body = raw.rstrip()
        if not pending and not body.strip():
            continue
        if not pending:
            start = number
        else:
            body = body.lstrip()  # a + continuation drops the next line's leading blanks
        if body.endswith('+'):
            pending += body[:-1]
            continue
        pending += body
        m = re.match(r'\s*(?:([A-Z][A-Z0-9]*):)?\s*([A-Z][A-Z0-9]*)\s*(.*)$', pending)
        if not m:
            raise SourceError('line %d: not a CL statement' % start)
        statements.append(ClStatement(start, m.group(1) or '', m.group(2),
                                      _split_params(m.group(3), start)))
        pending = ''
    if pending:
        raise SourceError('the last statement is continued past the end')
    return statements


def with_nested(statements):
    """The statements, each followed by the command its THEN, ELSE CMD or MONMSG EXEC runs."""
    result = []
    for s in statements:
        result.append(s)
        for keyword in ('THEN', 'CMD', 'EXEC'):
            body = s.params.get(keyword, '')
            if body and body != 'DO':
                m = re.match(r'([A-Z][A-Z0-9]*)\s*(.*)$', body)
                result.append(ClStatement(s.line, '', m.group(1),
                                          _split_params(m.group(2), s.line), True))
    return result


def cl_list(value):
    """The blank-separated elements of a CL list value, quotes kept."""
    return re.findall(r"'(?:[^']|'')*'|[^ ]+", value)


# ---------------------------------------------------------------------------------------------
# RPG IV, fixed form

EXTENDED_FACTOR2 = {'EVAL', 'IF', 'DOW', 'DOU', 'WHEN', 'FOR', 'CALLP', 'RETURN'}


@dataclass
class RpgFile:
    name: str
    usage: str        # I, O, U, C
    described: str    # E (external) or F (program)
    record_length: int
    keyed: bool
    keywords: str


@dataclass
class RpgDefinition:
    name: str
    kind: str         # S, DS, C or blank for a subfield
    length: int       # bytes of a subfield given by positions, else the length entry
    data_type: str
    keywords: str
    start: int = 0    # a subfield's from-position (1 = the first byte of its data structure)
    parent: str = ''  # a subfield's data structure
    decimals: str = ''


@dataclass
class RpgCalc:
    line: int
    factor1: str
    opcode: str       # without extender
    extender: str
    factor2: str      # for extended factor 2 operations: the whole expression
    result: str
    indicators: str   # columns 71-76


@dataclass
class RpgProgram:
    files: list = field(default_factory=list)
    definitions: dict = field(default_factory=dict)
    input_fields: list = field(default_factory=list)  # (from, to, name)
    calcs: list = field(default_factory=list)
    ctdata: dict = field(default_factory=dict)        # array name -> records
    lines: list = field(default_factory=list)


def _col(line, first, last):
    return line[first - 1:last].strip()


def parse_rpg(text):
    prog = RpgProgram(lines=text.split('\n'))
    order, ctdata_name = 'FDIC', None
    last_kind, structure = 0, ''
    for number, line in enumerate(prog.lines, 1):
        if ctdata_name is not None:
            if line:
                prog.ctdata[ctdata_name].append(line)
            continue
        if line.startswith('**'):
            m = re.match(r'\*\*CTDATA ([A-Z][A-Z0-9]*)$', line)
            if not m:
                raise SourceError('line %d: only **CTDATA name sections are read' % number)
            ctdata_name = m.group(1)
            prog.ctdata[ctdata_name] = []
            continue
        if not line.strip() or (len(line) >= 7 and line[6] == '*'):
            continue
        kind = line[5:6]
        if kind not in order:
            raise SourceError('line %d: line type "%s" in column 6' % (number, kind))
        if order.index(kind) < last_kind:
            raise SourceError('line %d: %s line after a later kind of line' % (number, kind))
        last_kind = order.index(kind)
        if kind == 'F':
            if _col(line, 7, 43) == '':
                raise SourceError('line %d: F continuation lines are not read' % number)
            prog.files.append(RpgFile(_col(line, 7, 16), line[16], line[21],
                                      int(_col(line, 23, 27) or 0), line[33] == 'K',
                                      _col(line, 44, 80)))
            if _col(line, 36, 42) != 'DISK':
                raise SourceError('line %d: device is not DISK' % number)
        elif kind == 'D':
            name, definition = _col(line, 7, 21), _col(line, 24, 25)
            frm, to = _col(line, 26, 32), _col(line, 33, 39)
            length = int(to) - int(frm) + 1 if frm else int(to or 0)
            data_type = line[39] if len(line) > 39 else ' '
            if definition == 'DS':
                structure = name
            elif definition:
                structure = ''
            elif not structure:
                raise SourceError('line %d: a subfield outside a data structure' % number)
            if name in prog.definitions:
                raise SourceError('line %d: %s is defined twice' % (number, name))
            prog.definitions[name] = RpgDefinition(
                name, definition, length, data_type.strip(), _col(line, 44, 80),
                int(frm) if frm else 0, structure if not definition else '', _col(line, 41, 42))
        elif kind == 'I':
            if _col(line, 7, 16):
                continue  # record identification
            prog.input_fields.append((int(_col(line, 37, 41)), int(_col(line, 42, 46)),
                                      _col(line, 49, 62)))
        else:
            op_field = _col(line, 26, 35)
            if not op_field and not _col(line, 7, 35):  # continuation of an extended factor 2
                if not prog.calcs or prog.calcs[-1].opcode not in EXTENDED_FACTOR2:
                    raise SourceError('line %d: continuation without an expression' % number)
                prog.calcs[-1].factor2 += ' ' + _col(line, 36, 80)
                continue
            m = re.match(r'([A-Z]+)(?:\(([A-Z]+)\))?$', op_field)
            if not m:
                raise SourceError('line %d: no operation code in columns 26-35' % number)
            opcode, extender = m.group(1), m.group(2) or ''
            fields = [(12, 25), (26, 35), (36, 49), (50, 63)]
            for first, last in fields[:3] if opcode in EXTENDED_FACTOR2 else fields:
                if _col(line, first, last) and line[first - 1] == ' ':
                    raise SourceError('line %d: the entry in columns %d-%d does not start in '
                                      'column %d' % (number, first, last, first))
            if opcode in EXTENDED_FACTOR2:
                factor2, result, indicators = _col(line, 36, 80), '', ''
            else:
                factor2, result, indicators = _col(line, 36, 49), _col(line, 50, 63), line[70:76]
                if len(line) > 76:
                    raise SourceError('line %d: text past column 76' % number)
                if len(factor2.split()) > 1 or len(result.split()) > 1:
                    raise SourceError('line %d: factor 2 or result out of its columns' % number)
            prog.calcs.append(RpgCalc(number, _col(line, 12, 25), opcode, extender, factor2,
                                      result, indicators.strip()))
    return prog


# ---------------------------------------------------------------------------------------------
# The save-file image manifest (savf/README.md)

def parse_manifest(text):
    result = {'objects': []}
    for line in text.split('\n'):
        words = line.split()
        if not words or words[0].startswith('#'):
            continue
        key = words[0].lower()
        if key == 'object':
            result['objects'].append((words[1].upper(), words[2].upper(), words[3].upper()))
        elif key in ('command', 'library', 'release', 'size'):
            result[key] = words[1].upper()
    return result
