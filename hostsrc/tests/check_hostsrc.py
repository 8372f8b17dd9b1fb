#!/usr/bin/env python3
"""Checks what can be checked of the host object's IBM i sources without an IBM i: that every
position they read from a system API's structure is where IBM's V4R4 headers put it
(api_layouts.py), that they use the list APIs soundly (the entry size, the continuation handle,
the list status, the *LIB entry, name and type, the restore time), that the sources agree with
one another (parameters, the escape message), that they keep to what the compilers of release
V4R4M0 accept, and that they agree with the installer's call, the manifest of the embedded image
and the substitute host.

  check_hostsrc.py --root REPO            check the tree; exit 1 with a list of faults
  check_hostsrc.py --root REPO --faults   prove that planted faults are found
"""
import argparse
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from api_layouts import FORMAT_OF, KNOWN_OFFSETS, layouts  # noqa: E402
from ibmi_sources import (SourceError, cl_list, parse_cl,  # noqa: E402
                          parse_manifest, parse_rpg, with_nested)

VERIFIER = 'KV2207C'
BUILDER = 'KV2207BLD'
COMPANION = 'KV2207R1'
SOURCES = ['KV2207C.clp', 'KV2207BLD.clp', 'KV2207R1.rpgle']
KIND_BY_SUFFIX = {'.clp': ('*PGM', 'CLP'), '.rpgle': ('*PGM', 'RPGLE')}
OTHERS = ['installer/host_jobs.h', 'res/hostobj.manifest', 'savf/demo/product.manifest',
          'hostsim/core/call_command.cpp', 'hostsrc/README.md']

# Characters that every EBCDIC code page maps alike (upper case only: the Japanese katakana
# code pages have no lower-case letters), so an upload in ASCII mode cannot alter them.
INVARIANT = re.compile(r"[A-Z0-9 +<=>%&*\"'(),_\-./:;?]*\Z")
DATA_WIDTH = {'.clp': 80, '.rpgle': 100}

# CL commands the sources may use: all exist at V4R4M0. The structured commands of later
# releases (DOWHILE, SELECT, SUBR, ...) and their built-ins are not among them.
# No command that prints a listing, copies or reads a spooled file, or changes the library list is
# among them: the check works from list APIs and qualified names alone.
CL_COMMANDS = {'PGM', 'ENDPGM', 'DCL', 'MONMSG', 'CHGVAR', 'IF', 'ELSE', 'DO', 'ENDDO', 'GOTO',
               'CALL', 'RTVJOBA', 'RTVOBJD', 'CHKOBJ', 'DLTF', 'SNDPGMMSG', 'CRTBNDRPG',
               'CRTCLPGM', 'CRTDUPOBJ', 'DLTPGM', 'CRTSAVF', 'CLRSAVF', 'SAVOBJ', 'RSTOBJ',
               'CRTLIB', 'DLTLIB', 'DLYJOB'}
# System programs the verifier calls; everything else it calls is a companion from its own library.
SYSTEM_APIS = {'QSYS/QUSROBJD'}
# The APIs the companion calls, each with the number of parameters it passes.
RPG_APIS = {"'QUSCRTUS'": 8, "'QSRLSAVF'": 7, "'QUSRTVUS'": 5, "'QUSROBJD'": 6,
            "'QUSDLTUS'": 2}
CL_BUILTINS = {'%SST', '%SUBSTRING', '%BIN', '%BINARY', '%SWITCH'}
RPG_OPCODES = {'EVAL', 'IF', 'ELSE', 'ENDIF', 'DOW', 'ENDDO', 'EXSR', 'BEGSR', 'ENDSR', 'CALL',
               'RETURN', 'PLIST', 'PARM', 'SELECT', 'WHEN', 'OTHER', 'ENDSL'}
RPG_BUILTINS = {'%TRIM'}  # there since V3R1
NOT_MONITORABLE_AFTER = {'PGM', 'DCL', 'IF', 'ELSE', 'DO', 'ENDDO', 'GOTO', 'MONMSG'}

# Which structure each data structure of the companion and each receiver variable of the verifier
# is, and which field each subfield or position is. A subfield or position not named here, or
# named here and not where the header has it, is a fault.
RPG_BINDINGS = {
    'APIERR': ('Qus_EC', {'ERPROV': 'Bytes_Provided', 'ERAVAIL': 'Bytes_Available',
                          'ERMSGID': 'Exception_Id', 'ERRSVD': 'Reserved'}),
    'GENHDR': ('Qus_Generic_Header_0100', {
        'GHSTAT': 'Information_Status', 'GHHDROFS': 'Offset_Header_Section',
        'GHLSTOFS': 'Offset_List_Data', 'GHLSTCNT': 'Number_List_Entries',
        'GHENTSZ': 'Size_Each_Entry'}),
    'LSTHDR': ('Qsr_Lsavf_Header', {'LHHANDLE': 'Continuation_Handle_Returned'}),
    'SVENT': ('Qsr_Lsavf_SAVF0200', {'SVNAME': 'Object_Name', 'SVTYPE': 'Object_Type'}),
    'OBJD': ('Qus_OBJD0300', {'ODBYTRTN': 'Bytes_Returned', 'ODNAME': 'Object_Name',
                              'ODTYPE': 'Object_Type', 'ODRSTDT': 'Object_Restored_Date_Time'}),
}
# CL: variable -> (structure, the fields its %SST and %BIN positions must read, all of them).
CL_BINDINGS = {'OBJD': ('Qus_OBJD0100', {'Bytes_Returned', 'Create_Date_Time'})}


def unquoted(text):
    return re.sub(r"'(?:[^']|'')*'", "''", text)


class Checker:
    def __init__(self, files):
        self.files = files
        self.errors = []

    def fail(self, where, text):
        self.errors.append('%s: %s' % (where, text))

    def run(self):
        self.check_text()
        try:
            self.read_sources()
        except SourceError as e:
            self.fail('sources', str(e))
            return self.errors
        for step in (self.check_layout_table, self.check_cl_programs, self.check_parameters,
                     self.check_installer_call, self.check_companion_calls,
                     self.check_cl_positions, self.check_rpg_programs, self.check_rpg_layouts,
                     self.check_list_walk, self.check_arrival, self.check_build,
                     self.check_manifest, self.check_hostsim):
            try:
                step()
            except SourceError as e:
                self.fail(step.__name__, str(e))
            except (KeyError, IndexError, ValueError, StopIteration, AttributeError) as e:
                self.fail(step.__name__, 'could not read the sources: %r' % e)
        return self.errors

    # --- reading ---------------------------------------------------------------------------
    def read_sources(self):
        self.cl, self.rpg, self.saved = {}, {}, []
        for name in SOURCES:
            text = self.files.get('hostsrc/' + name)
            if text is None:
                raise SourceError('hostsrc/%s is missing' % name)
            stem, suffix = name.split('.')
            try:
                if suffix == 'clp':
                    self.cl[stem] = with_nested(parse_cl(text))
                else:
                    self.rpg[stem] = parse_rpg(text)
            except SourceError as e:
                raise SourceError('%s: %s' % (name, e))
            if stem != BUILDER:
                self.saved.append((stem,) + KIND_BY_SUFFIX['.' + suffix])

    def statements(self, program, command):
        return [s for s in self.cl[program] if s.command == command]

    def declarations(self, program):
        result = {}
        for s in self.statements(program, 'DCL'):
            name = s.params['VAR'].lstrip('&')
            length = int(s.params.get('LEN', '1').split()[0])  # LEN(9 0): digits, decimals
            result[name] = (s.params['TYPE'], length)
        return result

    # --- every source ------------------------------------------------------------------------
    def check_text(self):
        for name in SOURCES:
            width = DATA_WIDTH['.' + name.split('.')[1]]
            for number, line in enumerate(self.files['hostsrc/' + name].split('\n'), 1):
                if len(line) > width:
                    self.fail(name, 'line %d is longer than the %d bytes of a source record'
                              % (number, width))
                if not INVARIANT.match(line):
                    self.fail(name, 'line %d has a character outside the invariant upper-case '
                              'set' % number)

    # --- CL ----------------------------------------------------------------------------------
    def check_cl_programs(self):
        for program, statements in self.cl.items():
            where = program + '.clp'
            if statements[0].command != 'PGM' or statements[-1].command != 'ENDPGM':
                self.fail(where, 'must begin with PGM and end with ENDPGM')
            declared = self.declarations(program)
            labels = [s.label for s in statements if s.label]
            for name in list(declared) + labels:
                if len(name) > 10:
                    self.fail(where, '%s is longer than 10 characters' % name)
            if len(set(labels)) != len(labels):
                self.fail(where, 'a label is defined twice')
            depth, previous = 0, None
            for s in statements:
                text = ' '.join('%s(%s)' % kv for kv in s.params.items())
                bare = unquoted(text)
                if s.command not in CL_COMMANDS:
                    self.fail(where, 'line %d: %s is not a V4R4M0 command used here'
                              % (s.line, s.command))
                for command in re.findall(r'(?:THEN|EXEC|CMD)\(([A-Z]+)', bare):
                    if command not in CL_COMMANDS:
                        self.fail(where, 'line %d: %s is not allowed' % (s.line, command))
                for builtin in re.findall(r'%[A-Z]+', bare):
                    if builtin not in CL_BUILTINS:
                        self.fail(where, 'line %d: built-in %s does not exist at V4R4M0'
                                  % (s.line, builtin))
                if re.search(r'TYPE\(\*(INT|UINT|PTR)\)', bare):
                    self.fail(where, 'line %d: variable type of a later release' % s.line)
                for variable in re.findall(r'&([A-Z][A-Z0-9]*)', bare):
                    if variable not in declared:
                        self.fail(where, 'line %d: &%s is not declared' % (s.line, variable))
                targets = re.findall(r'GOTO +(?:CMDLBL\()?([A-Z][A-Z0-9]*)', bare)
                if s.command == 'GOTO':
                    targets.append(s.params.get('CMDLBL', ''))
                for label in targets:
                    if label not in labels:
                        self.fail(where, 'line %d: GOTO to a missing label %s' % (s.line, label))
                depth += len(re.findall(r'(?:THEN|CMD|EXEC)\(DO\)', bare))
                if s.command == 'ENDDO':
                    depth -= 1
                    if depth < 0:
                        self.fail(where, 'line %d: ENDDO without DO' % s.line)
                if s.command == 'ELSE' and previous.command not in ('IF', 'ENDDO'):
                    self.fail(where, 'line %d: ELSE does not follow an IF' % s.line)
                if s.command == 'MONMSG' and previous.command in NOT_MONITORABLE_AFTER:
                    if not (previous.command == 'DCL' and s is self.global_monitor(program)):
                        self.fail(where, 'line %d: MONMSG follows no command it can monitor'
                                  % s.line)
                if s.command == 'SNDPGMMSG' and s.params.get('MSGTYPE') == '*ESCAPE':
                    self.check_escape(where, s)
                if not s.nested:
                    previous = s
            if depth:
                self.fail(where, 'DO and ENDDO do not pair up')
            monitor = self.global_monitor(program)
            if monitor is None:
                self.fail(where, 'no program-level MONMSG right after the declarations')
            else:
                watched = cl_list(monitor.params['MSGID'])
                for needed in ('CPF0000', 'MCH0000'):
                    if needed not in watched:
                        self.fail(where, 'the program-level MONMSG does not watch %s' % needed)
                if not re.match(r'GOTO +CMDLBL\([A-Z]+\)$', monitor.params.get('EXEC', '')):
                    self.fail(where, 'the program-level MONMSG must GOTO a label')
        if VERIFIER in self.cl:
            escapes = [s for s in self.statements(VERIFIER, 'SNDPGMMSG')
                       if s.params.get('MSGTYPE') == '*ESCAPE']
            if not escapes:
                self.fail(VERIFIER, 'sends no escape message')
            watched = cl_list(self.global_monitor(VERIFIER).params['MSGID']) \
                if self.global_monitor(VERIFIER) else []
            for needed in ('RNX0000', 'CEE0000'):
                if needed not in watched:
                    self.fail(VERIFIER, 'the program-level MONMSG does not watch %s, which a '
                              'companion that ends abnormally sends' % needed)

    def check_escape(self, where, statement):
        if statement.params.get('MSGID') != 'CPF9898' or \
                statement.params.get('MSGF') not in ('QCPFMSG', 'QSYS/QCPFMSG'):
            self.fail(where, 'line %d: the escape message must be CPF9898 from QCPFMSG'
                      % statement.line)

    def global_monitor(self, program):
        statements = self.cl[program]
        first = next(i for i, s in enumerate(statements) if s.command not in ('PGM', 'DCL'))
        return statements[first] if statements[first].command == 'MONMSG' else None

    def check_parameters(self):
        pgm = self.statements(VERIFIER, 'PGM')[0]
        names = [v.lstrip('&') for v in cl_list(pgm.params.get('PARM', ''))]
        if len(names) != 4:
            self.fail(VERIFIER, 'takes %d parameters, the installer passes 4' % len(names))
        declared = self.declarations(VERIFIER)
        for name in names:
            if declared.get(name) != ('*CHAR', 10):
                self.fail(VERIFIER, 'parameter &%s must be *CHAR of length 10, the longest IBM i '
                          'name' % name)

    def check_installer_call(self):
        text = self.files.get('installer/host_jobs.h')
        if text is None:
            raise SourceError('installer/host_jobs.h is missing')
        calls = re.findall(r'"(CALL PGM\([^"]*\))"', text)
        if len(calls) != 2:
            self.fail('installer/host_jobs.h', 'expected the two CALL commands, found %d'
                      % len(calls))
        for call in calls:
            m = re.match(r'CALL PGM\(QTEMP/([A-Z0-9]+)\) PARM\((.*)\)$', call)
            if not m or m.group(1) != VERIFIER:
                self.fail('installer/host_jobs.h', '%s does not call QTEMP/%s' % (call, VERIFIER))
                continue
            values = cl_list(m.group(2))
            if len(values) != 4:
                self.fail('installer/host_jobs.h', '%s passes %d parameters' % (call, len(values)))
            for value in values:
                if value != "'%s'" and len(value) - 2 > 10:
                    self.fail('installer/host_jobs.h', '%s is longer than a parameter' % value)

    def check_companion_calls(self):
        declared = self.declarations(VERIFIER)
        called = []
        for call in self.statements(VERIFIER, 'CALL'):
            m = re.match(r'&OWNLIB/(KV2207R\d)$', call.params['PGM'])
            if not m:
                if call.params['PGM'] not in SYSTEM_APIS:
                    self.fail(VERIFIER, 'line %d: a companion must be called from the own '
                              'library' % call.line)
                continue
            program = m.group(1)
            called.append(program)
            passed = [declared.get(v.lstrip('&'), ('undeclared', 0))
                      for v in cl_list(call.params.get('PARM', ''))]
            expected = [self.rpg_parameter(program, name) for name in self.entry_parameters(program)]
            if passed != expected:
                self.fail(VERIFIER, 'line %d: %s gets %s, expects %s'
                          % (call.line, program, passed, expected))
        programs = sorted(name for name, kind, _ in self.saved if kind == '*PGM' and name != VERIFIER)
        if sorted(called) != programs:
            self.fail(VERIFIER, 'calls %s, the save file holds %s' % (sorted(called), programs))
        checked = sorted((s.params['OBJ'].split('/')[1], s.params['OBJTYPE'])
                         for s in self.statements(VERIFIER, 'CHKOBJ')
                         if s.params['OBJ'].startswith('&OWNLIB/'))
        companions = sorted((name, kind) for name, kind, _ in self.saved if name != VERIFIER)
        if checked != companions:
            self.fail(VERIFIER, 'checks for %s before it starts, the save file holds %s'
                      % (checked, companions))

    def entry_parameters(self, program):
        calcs = self.rpg[program].calcs
        start = next((i for i, c in enumerate(calcs) if c.factor1 == '*ENTRY'), None)
        if start is None:
            raise SourceError('%s has no *ENTRY PLIST' % program)
        names = []
        for c in calcs[start + 1:]:
            if c.opcode != 'PARM':
                break
            names.append(c.result)
        return names

    def rpg_parameter(self, program, name):
        definition = self.rpg[program].definitions.get(name)
        if definition is None or definition.data_type != 'A':
            raise SourceError('%s: parameter %s is not a character definition' % (program, name))
        return ('*CHAR', definition.length)

    # --- RPG ---------------------------------------------------------------------------------
    def check_rpg_programs(self):
        for program, rpg in self.rpg.items():
            where = program + '.rpgle'
            text = self.files['hostsrc/' + where]
            if re.search(r'/FREE|\*\*FREE|DCL-', text):
                self.fail(where, 'free-form RPG does not compile for V4R4M0')
            subroutines = {c.factor1 for c in rpg.calcs if c.opcode == 'BEGSR'}
            called = {c.factor2 for c in rpg.calcs if c.opcode == 'EXSR'}
            if called - subroutines:
                self.fail(where, 'EXSR of missing subroutines %s' % sorted(called - subroutines))
            if subroutines - called - {'*PSSR'}:
                self.fail(where, 'unused subroutines %s' % sorted(subroutines - called - {'*PSSR'}))
            pssr = [i for i, c in enumerate(rpg.calcs) if c.opcode == 'BEGSR' and c.factor1 == '*PSSR']
            if not pssr or rpg.calcs[pssr[0] + 1].opcode != 'ENDSR' or \
                    rpg.calcs[pssr[0] + 1].factor2 != "'*CANCL'":
                self.fail(where, 'needs a *PSSR that ends the program with *CANCL: an unhandled '
                          'error would otherwise wait for an answer to an inquiry')
            stack = []
            pairs = {'ENDIF': 'IF', 'ENDDO': 'DOW', 'ENDSR': 'BEGSR', 'ENDSL': 'SELECT'}
            for c in rpg.calcs:
                if c.opcode not in RPG_OPCODES | set(pairs):
                    self.fail(where, 'line %d: operation %s is not used here' % (c.line, c.opcode))
                for builtin in re.findall(r'%[A-Z]+', unquoted(c.factor2)):
                    if builtin not in RPG_BUILTINS:
                        self.fail(where, 'line %d: built-in %s is not known to be at V4R4M0'
                                  % (c.line, builtin))
                if c.opcode in ('IF', 'DOW', 'BEGSR', 'SELECT'):
                    stack.append(c.opcode)
                elif c.opcode in pairs:
                    if not stack or stack.pop() != pairs[c.opcode]:
                        self.fail(where, 'line %d: %s closes nothing open' % (c.line, c.opcode))
                elif c.opcode == 'ELSE' and (not stack or stack[-1] != 'IF'):
                    self.fail(where, 'line %d: ELSE outside an IF' % c.line)
                elif c.opcode in ('WHEN', 'OTHER') and (not stack or stack[-1] != 'SELECT'):
                    self.fail(where, 'line %d: %s outside a SELECT' % (c.line, c.opcode))
            if stack:
                self.fail(where, 'blocks left open: %s' % stack)
            if rpg.files or rpg.input_fields:
                self.fail(where, 'reads a file: the objects come from the list APIs alone')

    # --- the layouts -------------------------------------------------------------------------
    def check_layout_table(self):
        self.fields, self.sizes = layouts()
        for (structure, field), offset in KNOWN_OFFSETS.items():
            if self.fields[structure][field][0] != offset:
                self.fail('api_layouts.py', '%s.%s lands at %d, not at %d: a row is wrong'
                          % (structure, field, self.fields[structure][field][0], offset))

    def field_at(self, structure, offset, length):
        for name, (o, n, kind) in self.fields[structure].items():
            if (o, n) == (offset, length):
                return name, kind
        return None, None

    def check_cl_positions(self):
        """Every %SST and %BIN position of the verifier reads a field of the structure its
        variable receives, of the field's kind, and together they read exactly the fields
        the verifier needs."""
        declared = self.declarations(VERIFIER)
        used = {}
        for s in self.cl[VERIFIER]:
            text = ' '.join(s.params.values())
            for builtin, var, start, length in re.findall(
                    r'%(SST|SUBSTRING|BIN|BINARY)\(&([A-Z0-9]+) +(\d+) +(\d+)\)', text):
                if var not in CL_BINDINGS:
                    self.fail(VERIFIER, 'line %d: a position in &%s, which is no API structure '
                              'of the table' % (s.line, var))
                    continue
                structure = CL_BINDINGS[var][0]
                name, kind = self.field_at(structure, int(start) - 1, int(length))
                wanted = 'bin4' if builtin.startswith('BIN') else 'char'
                if name is None:
                    self.fail(VERIFIER, 'line %d: %%%s(&%s %s %s) is no field of %s (%s)'
                              % (s.line, builtin, var, start, length, structure,
                                 self.sizes[structure][0]))
                elif kind != wanted:
                    self.fail(VERIFIER, 'line %d: %s reads %s, a %s field, as %s'
                              % (s.line, builtin, name, kind, wanted))
                else:
                    used.setdefault(var, set()).add(name)
        for var, (structure, fields) in CL_BINDINGS.items():
            if used.get(var, set()) != fields:
                self.fail(VERIFIER, 'reads %s of %s, must read %s'
                          % (sorted(used.get(var, set())), structure, sorted(fields)))
            needed = max(sum(self.fields[structure][f][:2]) for f in fields)
            if declared.get(var, ('', 0))[1] < needed:
                self.fail(VERIFIER, '&%s is shorter than the %d bytes it reads' % (var, needed))
        # the receiver is filled by QUSROBJD in the format of its structure, and the program
        # refuses a receiver the API did not fill up to the last field read
        calls = [s for s in self.statements(VERIFIER, 'CALL')
                 if s.params['PGM'] == 'QSYS/QUSROBJD']
        for var, (structure, fields) in CL_BINDINGS.items():
            needed = max(sum(self.fields[structure][f][:2]) for f in fields)
            call = next((c for c in calls if cl_list(c.params['PARM'])[0] == '&' + var), None)
            if call is None:
                self.fail(VERIFIER, 'no QUSROBJD call fills &%s' % var)
                continue
            fmt = cl_list(call.params['PARM'])[2].lstrip('&')
            value = next((d.params.get('VALUE') for d in self.statements(VERIFIER, 'DCL')
                          if d.params['VAR'] == '&' + fmt), None)
            if value != "'%s'" % FORMAT_OF[structure]:
                self.fail(VERIFIER, 'QUSROBJD is asked for format %s, &%s is %s'
                          % (value, var, FORMAT_OF[structure]))
            guards = [s for s in self.cl[VERIFIER] if s.command == 'IF' and re.search(
                r'%%BIN\(&%s 1 4\) \*LT (\d+)' % var, s.params.get('COND', ''))]
            if not guards or int(re.search(r'\*LT (\d+)', guards[0].params['COND']).group(1)) \
                    < needed or 'GOTO CMDLBL(FAIL)' not in guards[0].params.get('THEN', ''):
                self.fail(VERIFIER, 'must fail when QUSROBJD returned fewer than the %d bytes '
                          'read from &%s' % (needed, var))
        # the reference time handed to the companion is the save file's creation
        created = [s.params['VAR'] for s in self.cl[VERIFIER] if s.command == 'CHGVAR' and
                   re.match(r'%%SST\(&OBJD %d 13\)$' % (self.fields['Qus_OBJD0100']
                                                        ['Create_Date_Time'][0] + 1),
                            s.params.get('VALUE', ''))]
        companion = [s for s in self.statements(VERIFIER, 'CALL')
                     if s.params['PGM'] == '&OWNLIB/' + COMPANION]
        if not created or not companion or \
                cl_list(companion[0].params['PARM'])[3] != created[0]:
            self.fail(VERIFIER, '%s must get the save file\'s creation time as its reference'
                      % COMPANION)

    def subfields(self, program, structure_name):
        return {d.name: d for d in self.rpg[program].definitions.values()
                if d.parent == structure_name}

    def bound(self, structure, field):
        """The companion's subfield bound to a structure's field."""
        for ds, (s, names) in RPG_BINDINGS.items():
            if s == structure:
                for name, f in names.items():
                    if f == field:
                        return name
        raise SourceError('nothing is bound to %s.%s' % (structure, field))

    def check_rpg_layouts(self):
        rpg = self.rpg[COMPANION]
        where = COMPANION + '.rpgle'
        for ds in [d for d in rpg.definitions.values() if d.kind == 'DS']:
            if ds.name not in RPG_BINDINGS:
                self.fail(where, 'data structure %s is no API structure of the table' % ds.name)
                continue
            structure, names = RPG_BINDINGS[ds.name]
            header = self.sizes[structure][0]
            found = self.subfields(COMPANION, ds.name)
            for name, d in found.items():
                if name not in names:
                    self.fail(where, '%s.%s is bound to no field of %s' % (ds.name, name, structure))
                    continue
                offset, length, kind = self.fields[structure][names[name]]
                if not d.start or (d.start - 1, d.length) != (offset, length):
                    self.fail(where, '%s is at %d-%d, %s.%s is at %d-%d (%s)'
                              % (name, d.start, d.start + d.length - 1, structure, names[name],
                                 offset + 1, offset + length, header))
                elif kind == 'char' and d.data_type != 'A' or \
                        kind == 'bin4' and (d.data_type, d.decimals) != ('B', '0'):
                    self.fail(where, '%s is of type %s%s, %s.%s is %s'
                              % (name, d.data_type, d.decimals, structure, names[name], kind))
            for name in set(names) - set(found):
                self.fail(where, '%s has no subfield %s' % (ds.name, name))

    # --- how the companion walks the list ---------------------------------------------------
    def calls(self, api):
        """(index of the CALL, its PARM calcs) for each call of an API."""
        calcs, result = self.rpg[COMPANION].calcs, []
        for i, c in enumerate(calcs):
            if c.opcode == 'CALL' and c.factor2 == api:
                parms = []
                for p in calcs[i + 1:]:
                    if p.opcode != 'PARM':
                        break
                    parms.append(p)
                result.append((i, parms))
        return result

    def last_eval(self, index, target):
        """The expression last given to target by an EVAL before calc index, back to the
        previous CALL."""
        for c in reversed(self.rpg[COMPANION].calcs[:index]):
            if c.opcode == 'CALL':
                break
            m = re.match(r'%s = (.*)$' % target, c.factor2) if c.opcode == 'EVAL' else None
            if m:
                return m.group(1)
        return None

    def conditions(self, opcode, *parts):
        """The calcs of an operation whose condition holds every part, each followed by what
        runs next."""
        calcs = self.rpg[COMPANION].calcs
        return [(c, calcs[i + 1] if i + 1 < len(calcs) else None) for i, c in enumerate(calcs)
                if c.opcode == opcode and all(p in ' '.join(c.factor2.split()) for p in parts)]

    def enclosing(self, index):
        """The IF and DOW conditions around calc index, innermost first."""
        result, depth = [], 0
        for c in reversed(self.rpg[COMPANION].calcs[:index]):
            if c.opcode in ('ENDIF', 'ENDDO', 'ENDSL'):
                depth += 1
            elif c.opcode in ('IF', 'DOW', 'SELECT'):
                if depth:
                    depth -= 1
                else:
                    result.append(' '.join(c.factor2.split()))
            elif c.opcode == 'BEGSR':
                break
        return result

    def subroutine_of(self, index):
        for c in reversed(self.rpg[COMPANION].calcs[:index]):
            if c.opcode == 'BEGSR':
                return c.factor1
        return None

    def definition(self, name):
        return self.rpg[COMPANION].definitions.get(name)

    def check_api_calls(self):
        where = COMPANION + '.rpgle'
        calcs = self.rpg[COMPANION].calcs
        error_code = 'APIERR'
        size = self.sizes['Qus_EC'][1]
        for i, c in enumerate(calcs):
            if c.opcode != 'CALL':
                continue
            if c.factor2 not in RPG_APIS:
                self.fail(where, 'line %d: calls %s, which is none of %s'
                          % (c.line, c.factor2, sorted(RPG_APIS)))
                continue
            parms = self.calls(c.factor2)
            parms = next(p for j, p in parms if j == i)
            if len(parms) != RPG_APIS[c.factor2] or parms[-1].result != error_code:
                self.fail(where, 'line %d: %s needs %d parameters, the last the error code'
                          % (c.line, c.factor2, RPG_APIS[c.factor2]))
            if self.last_eval(i, 'ERPROV') != str(size):
                self.fail(where, 'line %d: the error code must offer its %d bytes before %s, so '
                          'that an error is a result and not an escape message'
                          % (c.line, size, c.factor2))
            after = calcs[i + len(parms) + 1] if i + len(parms) + 1 < len(calcs) else None
            if c.factor2 != "'QUSDLTUS'" and (after is None or after.opcode != 'IF' or
                                               not after.factor2.startswith('ERAVAIL > 0')):
                self.fail(where, 'line %d: an error of %s must end the check' % (c.line, c.factor2))

    def check_list_walk(self):
        where = COMPANION + '.rpgle'
        self.check_api_calls()
        header, entry = 'Qus_Generic_Header_0100', 'Qsr_Lsavf_SAVF0200'
        status = self.bound(header, 'Information_Status')
        offset = self.bound(header, 'Offset_List_Data')
        count = self.bound(header, 'Number_List_Entries')
        size = self.bound(header, 'Size_Each_Entry')
        section = self.bound(header, 'Offset_Header_Section')
        handle_field = self.bound('Qsr_Lsavf_Header', 'Continuation_Handle_Returned')
        entry_type = self.bound(entry, 'Object_Type')

        # each retrieval reads its structure from where the list header says it is
        expected = {'GENHDR': '1', 'LSTHDR': '%s + 1' % section,
                    'SVENT': '%s + IDX * %s + 1' % (offset, size)}
        for i, parms in self.calls("'QUSRTVUS'"):
            receiver = parms[3].result if len(parms) > 3 else ''
            length = self.last_eval(i, 'RTVLEN')
            ds_length = max((d.start + d.length - 1 for d in
                             self.subfields(COMPANION, receiver).values()), default=0)
            if length != str(ds_length):
                self.fail(where, 'line %d: reads %s bytes into %s, which is %d'
                          % (self.rpg[COMPANION].calcs[i].line, length, receiver, ds_length))
            position = self.last_eval(i, 'RTVPOS')
            if receiver in expected and position != expected[receiver]:
                self.fail(where, 'line %d: %s is read from %s, not from %s: %s'
                          % (self.rpg[COMPANION].calcs[i].line, receiver, position,
                             expected[receiver], 'entries are stepped by the entry size the '
                             'list header gives' if receiver == 'SVENT' else 'the header says'))
            if receiver == 'SVENT' and not any(
                    'IDX < %s' % count in e for e in self.enclosing(i)):
                self.fail(where, 'the entries are not counted against %s' % count)
        entry_end = max(d.start + d.length - 1 for d in self.subfields(COMPANION, 'SVENT').values())
        if not any(n and n.factor2 == "FAILED = '1'" for _, n in
                   self.conditions('IF', '%s < %d' % (size, entry_end))):
            self.fail(where, 'an entry size below the %d bytes read from each entry must fail'
                      % entry_end)

        # the list status: C complete, P partial (continue), anything else fails
        calcs = self.rpg[COMPANION].calcs
        branches, current, seen = [], None, False
        for c in calcs:
            if c.opcode == 'WHEN' and c.factor2.startswith(status):
                seen = True
            if c.opcode in ('WHEN', 'OTHER') and (seen or current is not None):
                current = (' '.join(c.factor2.split()) if c.opcode == 'WHEN' else 'OTHER', [])
                branches.append(current)
            elif c.opcode == 'ENDSL' and current is not None:
                break
            elif current is not None:
                current[1].append(' '.join(c.factor2.split()))
        wanted = [("%s = 'C'" % status, ["MORE = '0'"]), ("%s = 'P'" % status, ["MORE = '1'"]),
                  ('OTHER', ["FAILED = '1'"])]
        got = [(cond, [a for a in acts if a.startswith(('MORE', 'FAILED'))])
               for cond, acts in branches]
        if got != wanted:
            self.fail(where, 'the list status must end the list on C, continue on P and fail on '
                      'anything else; it does %s' % got)
        if not self.conditions('DOW', "MORE = '1'", "FAILED = '0'"):
            self.fail(where, 'the list parts must be asked for while MORE is 1')

        # the continuation handle: a 36-byte variable, blank at first, then what the API returned
        lists = self.calls("'QSRLSAVF'")
        if len(lists) != 1 or len(lists[0][1]) < 6:
            self.fail(where, 'QSRLSAVF must be called once, with the handle as parameter 6')
            return
        handle_parm = lists[0][1][5]
        handle = self.definition(handle_parm.result)
        length = self.fields['Qsr_Lsavf_Header']['Continuation_Handle_Returned'][1]
        if handle_parm.factor2 or handle is None or handle.kind != 'S' or \
                handle.length != length or 'INZ' in handle.keywords:
            self.fail(where, 'the continuation handle must be a %d-byte variable of its own, '
                      'not a literal' % length)
        else:
            sets = sorted(c.factor2.split('=', 1)[1].strip() for c in calcs
                          if c.opcode == 'EVAL' and c.factor2.startswith(handle.name + ' ='))
            if sets != sorted(['*BLANKS', handle_field]):
                self.fail(where, 'the continuation handle is set from %s; only *BLANKS at first '
                          'and %s afterwards may set it' % (sets, handle_field))
            if not any(n and n.factor2 == "FAILED = '1'" for _, n in self.conditions(
                    'IF', '%s = *BLANKS' % handle_field, '%s = %s' % (handle_field, handle.name))):
                self.fail(where, 'a blank or repeated continuation handle must fail, not loop')
        if lists[0][1][1].result and (self.definition(lists[0][1][1].result) is None or
                                      "INZ('%s')" % FORMAT_OF[entry] not in
                                      self.definition(lists[0][1][1].result).keywords):
            self.fail(where, 'QSRLSAVF must be asked for format %s' % FORMAT_OF[entry])

        # a library save lists the library itself: no object of it, never looked up
        arrived = [i for i, c in enumerate(calcs) if c.opcode == 'EXSR' and
                   c.factor2 == self.subroutine_of(self.calls("'QUSROBJD'")[0][0])]
        if not arrived or "%s <> '*LIB'" % entry_type not in self.enclosing(arrived[0]):
            self.fail(where, 'a *LIB entry of the save file must be skipped')
        if not any(n and n.factor2 == "FAILED = '1'" for _, n in
                   self.conditions('IF', "FAILED = '0' AND LISTED = 0")):
            self.fail(where, 'a save file from which no object was listed must fail')

    def check_arrival(self):
        """Each listed object is looked up by name and type in the target library, and counts
        only when its restore time is not earlier than the reference time."""
        where = COMPANION + '.rpgle'
        entry, described = 'Qsr_Lsavf_SAVF0200', 'Qus_OBJD0300'
        entry_params = self.entry_parameters(COMPANION)
        target, reference = entry_params[2], entry_params[3]
        found = self.calls("'QUSROBJD'")
        if len(found) != 1:
            self.fail(where, 'QUSROBJD must be called once')
            return
        i, parms = found[0]
        names = [p.result for p in parms]
        receiver = names[0]
        if RPG_BINDINGS.get(receiver, ('',))[0] != described:
            self.fail(where, 'QUSROBJD fills %s, which is no %s' % (receiver, described))
        fmt = self.definition(names[2])
        if fmt is None or "INZ('%s')" % FORMAT_OF[described] not in fmt.keywords:
            self.fail(where, 'QUSROBJD must be asked for format %s' % FORMAT_OF[described])
        if names[4] != self.bound(entry, 'Object_Type'):
            self.fail(where, 'QUSROBJD must look the object up by the type the save file lists '
                      '(%s), not by %s: name alone would pass another object of that name'
                      % (self.bound(entry, 'Object_Type'), names[4]))
        qualified = self.last_eval(i, names[3])
        if qualified != '%s + %s' % (self.bound(entry, 'Object_Name'), target):
            self.fail(where, 'QUSROBJD must look up the listed name in the target library, '
                      'not %s' % qualified)
        restored = self.bound(described, 'Object_Restored_Date_Time')
        end = sum(self.fields[described]['Object_Restored_Date_Time'][:2])
        if self.last_eval(i, names[1]) != str(end):
            self.fail(where, 'QUSROBJD must be given a receiver of %d bytes, up to the restore '
                      'time' % end)
        parts = ['%s < %d' % (self.bound(described, 'Bytes_Returned'), end),
                 '%s = *BLANKS' % restored, '%s < %s' % (restored, reference)]
        if not any(n and n.factor2 == "FAILED = '1'" for _, n in self.conditions('IF', *parts)):
            self.fail(where, 'an object whose restore time is missing, blank or earlier than the '
                      'reference time (%s) must fail' % ' OR '.join(parts))

    def check_build(self):
        saves = [s for s in self.statements(BUILDER, 'SAVOBJ')
                 if s.params.get('SAVF') == '&LIB/KV2207SV']
        if len(saves) != 1:
            raise SourceError('the build must save into &LIB/KV2207SV once')
        save = saves[0].params
        names = sorted(cl_list(save['OBJ']))
        if names != sorted(name for name, _, _ in self.saved):
            self.fail(BUILDER, 'saves %s, the sources make %s' % (names, sorted(self.saved)))
        if save.get('LIB') != 'QTEMP':
            self.fail(BUILDER, 'must save from QTEMP: the installer restores with SAVLIB(QTEMP)')
        if sorted(cl_list(save.get('OBJTYPE', ''))) != sorted({k for _, k, _ in self.saved}):
            self.fail(BUILDER, 'saves the wrong object types')
        if save.get('TGTRLS') != '&TGTRLS':
            self.fail(BUILDER, 'must save for the target release it was given')
        copied = sorted(s.params['OBJ'] for s in self.statements(BUILDER, 'CRTDUPOBJ')
                        if s.params.get('TOLIB') == 'QTEMP')
        if copied != names:
            self.fail(BUILDER, 'copies %s into QTEMP, saves %s' % (copied, names))
        compiled = {}
        for command in ('CRTBNDRPG', 'CRTCLPGM'):
            for s in self.statements(BUILDER, command):
                compiled[s.params['PGM'].split('/')[1]] = (command, s.params)
        for name, kind, attribute in self.saved:
            command = {'RPGLE': 'CRTBNDRPG', 'CLP': 'CRTCLPGM'}[attribute]
            if compiled.get(name, (None,))[0] != command:
                self.fail(BUILDER, '%s is not made with %s' % (name, command))
            elif compiled[name][1].get('TGTRLS') != '&TGTRLS':
                self.fail(BUILDER, '%s is not compiled for the target release' % name)
            elif command == 'CRTBNDRPG' and compiled[name][1].get('DFTACTGRP') != '*YES':
                self.fail(BUILDER, '%s must run in the default activation group, as its '
                          'caller' % name)
        self.check_self_test()

    def check_self_test(self):
        """After saving, the build restores what it saved into QTEMP, as the installer does,
        and calls it three times: on its own save file, where any escape message fails the
        build; on an empty library and on a save file made after the restore, where only
        CPF9898 is the right answer and no answer at all fails the build."""
        statements = [s for s in self.cl[BUILDER] if not s.nested]
        save = next(i for i, s in enumerate(statements) if s.command == 'SAVOBJ' and
                    s.params.get('SAVF') == '&LIB/KV2207SV')
        restores = [i for i, s in enumerate(statements) if s.command == 'RSTOBJ' and
                    s.params.get('SAVF') == '&LIB/KV2207SV' and s.params.get('RSTLIB') == 'QTEMP'
                    and s.params.get('SAVLIB') == 'QTEMP']
        calls = [i for i, s in enumerate(statements) if s.command == 'CALL' and
                 s.params['PGM'] == 'QTEMP/' + VERIFIER]
        if len(restores) != 1 or not save < restores[0] < min(calls, default=0):
            self.fail(BUILDER, 'the self-test must restore the saved objects into QTEMP before '
                      'calling them: copies that were never restored have no restore time')
        if len(calls) != 3 or min(calls, default=0) < save:
            self.fail(BUILDER, 'the self-test must call QTEMP/%s three times after saving'
                      % VERIFIER)
            return
        if statements[calls[0] + 1].command == 'MONMSG':
            self.fail(BUILDER, 'the self-test must let its own save file\'s check fail the build')
        for call in calls[1:]:
            after = statements[call + 1:call + 3]
            if [s.command for s in after] != ['MONMSG', 'IF'] or \
                    after[0].params.get('MSGID') != 'CPF9898' or \
                    'GOTO CMDLBL(FAIL)' not in after[1].params.get('THEN', ''):
                self.fail(BUILDER, 'line %d: the self-test must accept only CPF9898 there, and '
                          'fail the build when the check passes' % statements[call].line)
        # the third call's save file is made after the restore, a delay later, and holds the
        # same objects: they were all restored before it
        declared = {s.params['VAR'].lstrip('&'): s.params.get('VALUE', '').strip("'")
                    for s in self.statements(BUILDER, 'DCL')}
        newer = declared.get(cl_list(statements[calls[2]].params['PARM'])[0].lstrip('&'))
        made = [i for i, s in enumerate(statements) if s.command == 'CRTSAVF' and
                s.params.get('FILE') == 'QTEMP/%s' % newer]
        delays = [i for i, s in enumerate(statements) if s.command == 'DLYJOB']
        if not made or not delays or not restores or \
                not restores[0] < delays[0] < made[0] < calls[2]:
            self.fail(BUILDER, 'the third call must check a save file created, a delay after '
                      'the restore, before the call (now %s)' % newer)

    # --- other parts of the project ----------------------------------------------------------
    def check_manifest(self):
        text = self.files.get('res/hostobj.manifest')
        if text is None:
            print('note: res/hostobj.manifest is not there; the manifest checks were skipped')
            return
        manifest = parse_manifest(text)
        if manifest.get('command') != 'SAVOBJ' or manifest.get('library') != 'QTEMP':
            self.fail('res/hostobj.manifest', 'the host object is saved with SAVOBJ from QTEMP')
        listed = sorted((n, k, a) for n, k, a in manifest['objects'])
        if listed != sorted(self.saved):
            self.fail('res/hostobj.manifest', 'lists %s, the sources make %s'
                      % (listed, sorted(self.saved)))
        release = manifest.get('release')
        build_text = self.files['hostsrc/KV2207BLD.clp']
        if 'PARM(MYLIB %s)' % release not in build_text:
            self.fail(BUILDER, 'the example call does not build for %s' % release)
        readme = self.files.get('hostsrc/README.md', '')
        if 'PARM(MYLIB %s)' % release not in readme:
            self.fail('hostsrc/README.md', 'the build command does not name %s' % release)

    def check_hostsim(self):
        text = self.files.get('hostsim/core/call_command.cpp')
        if text is None:
            print('note: the substitute host is not there; its checks were skipped')
            return
        where = 'hostsim/core/call_command.cpp'
        m = re.search(r'kVerificationProgram\[\] = "([A-Z0-9]+)"', text)
        if not m or m.group(1) != VERIFIER:
            self.fail(where, 'does not simulate %s' % VERIFIER)
        companions = sorted(re.findall(r'\{"(KV2207[A-Z0-9]+)", "(\*[A-Z]+)"', text))
        expected = sorted((n, k) for n, k, _ in self.saved if n != VERIFIER)
        if companions != expected:
            self.fail(where, 'expects the companions %s, the sources have %s'
                      % (companions, expected))
        verify = re.search(r'ClOutcome Verify\(.*?\n}\n', text, re.S)
        escapes = set(re.findall(r'Failure\("([A-Z]{3}[0-9A-F]{4})"', verify.group() if verify else ''))
        escapes |= {'CPF9898'} if verify and 'Escape(' in verify.group() else set()
        if escapes - {'MCH0802'} != {'CPF9898'}:
            self.fail(where, 'the simulated %s ends with %s, not with CPF9898 alone'
                      % (VERIFIER, sorted(escapes)))
        if 'parameters.size() != 4' not in text:
            self.fail(where, 'does not insist on the 4 parameters')
        if not re.search(r'Holds\(\*present, object\.name, object\.type\)', text):
            self.fail(where, 'does not match objects by name and type')
        if not re.search(r'RestoredSince\(target, object\.name, object\.type, \*created\)', text):
            self.fail(where, 'does not insist that each object was restored since the save file '
                      'was created')


def load(root):
    files = {}
    for rel in ['hostsrc/' + s for s in SOURCES] + OTHERS:
        path = root / rel
        if path.exists():
            files[rel] = path.read_text(encoding='ascii', errors='replace')
    return files


# Faults planted one at a time into otherwise good sources; the checks must find each.
FAULTS = [
    # what a host object built on a wrong picture of the API structures would do
    ('KV2207R1.rpgle', 'D SVTYPE                 21     30A', 'D SVTYPE                 22     31A',
     'SVTYPE is at 22-31, Qsr_Lsavf_SAVF0200.Object_Type is at 21-30'),
    ('KV2207R1.rpgle', 'D GHLSTCNT              133    136B 0', 'D GHLSTCNT              133    136A',
     'GHLSTCNT is of type A'),
    ('KV2207R1.rpgle', 'D ODRSTDT               207    219A', 'D ODRSTDT               194    206A',
     'ODRSTDT is at 194-206'),
    ('KV2207R1.rpgle', 'D GHENTSZ               137    140B 0\n',
     'D GHENTSZ               137    140B 0\n     D GHRSVD                141    150A\n',
     'GENHDR.GHRSVD is bound to no field'),
    ('KV2207C.clp', 'VALUE(%SST(&OBJD 65 13))', 'VALUE(%SST(&OBJD 78 13))',
     "must read ['Bytes_Returned', 'Create_Date_Time']"),
    ('KV2207C.clp', 'COND(%BIN(&OBJD 1 4) *LT 90)', 'COND(%BIN(&OBJD 2 4) *LT 90)',
     '%BIN(&OBJD 2 4) is no field of Qus_OBJD0100'),
    ('KV2207C.clp', "VALUE('OBJD0100')", "VALUE('OBJD0200')", 'asked for format'),
    ('KV2207C.clp', 'COND(%BIN(&OBJD 1 4) *LT 90)', 'COND(%BIN(&OBJD 1 4) *LT 8)',
     'fewer than the 77 bytes'),
    # walking the list
    ('KV2207R1.rpgle', 'RTVPOS = GHLSTOFS + IDX * GHENTSZ + 1', 'RTVPOS = GHLSTOFS + IDX * 204 + 1',
     'stepped by the entry size'),
    ('KV2207R1.rpgle', 'DOW       FAILED = \'0\' AND IDX < GHLSTCNT',
     'DOW       FAILED = \'0\' AND IDX < 100', 'not counted against GHLSTCNT'),
    ('KV2207R1.rpgle', 'RTVPOS = GHHDROFS + 1', 'RTVPOS = 193', 'LSTHDR is read from 193'),
    ('KV2207R1.rpgle', 'PARM                    HANDLE', 'PARM      *BLANKS       HANDLE',
     'not a literal'),
    ('KV2207R1.rpgle', 'EVAL      HANDLE = LHHANDLE', 'EVAL      HANDLE = *BLANKS',
     'only *BLANKS at first'),
    ('KV2207R1.rpgle', "WHEN      GHSTAT = 'P'\n     C                   EVAL      MORE = '1'",
     "WHEN      GHSTAT = 'P'\n     C                   EVAL      MORE = '0'", 'continue on P'),
    ('KV2207R1.rpgle', "                   OTHER\n",
     "                   WHEN      GHSTAT = 'I'\n     C                   EVAL      MORE = '0'\n"
     "     C                   OTHER\n", 'fail on anything else'),
    ('KV2207R1.rpgle', "IF        SVTYPE <> '*LIB'", "IF        SVTYPE <> *BLANKS",
     '*LIB entry of the save file must be skipped'),
    ('KV2207R1.rpgle', "IF        FAILED = '0' AND LISTED = 0", "IF        FAILED = '2' AND LISTED = 0",
     'no object was listed must fail'),
    ('KV2207R1.rpgle', 'OR\n     C                             LHHANDLE = HANDLE', '',
     'repeated continuation handle must fail'),
    ('KV2207R1.rpgle', "INZ('SAVF0200')", "INZ('SAVF0100')",
     'format SAVF0200'),
    ('KV2207R1.rpgle', 'EVAL      RTVLEN = 30', 'EVAL      RTVLEN = 204', 'reads 204 bytes into SVENT'),
    # what counts as arrived
    ('KV2207R1.rpgle', 'PARM                    SVTYPE', 'PARM                    ALLTYP',
     'name alone would pass'),
    ('KV2207R1.rpgle', 'OR\n     C                             ODRSTDT < PREFTIM', '',
     'earlier than the reference time'),
    ('KV2207R1.rpgle', 'ODRSTDT < PREFTIM', 'ODRSTDT > PREFTIM', 'earlier than the reference time'),
    ('KV2207R1.rpgle', 'EVAL      OBJQ = SVNAME + PTGTLIB', 'EVAL      OBJQ = SVNAME + PSVLIB',
     'listed name in the target library'),
    ('KV2207R1.rpgle', "INZ('OBJD0300')", "INZ('OBJD0200')", 'format OBJD0300'),
    ('KV2207C.clp', '&TGTLIB &CREATED &RESULT &WHY)', '&TGTLIB &WHY &RESULT &CREATED)',
     'KV2207R1 gets'),
    ('KV2207R1.rpgle', "     C                   IF        ERAVAIL > 0\n     C                   EVAL      "
     "FAILED = '1'\n     C                   EVAL      PWHY = 'QSRLSAVF",
     "     C                   IF        ERAVAIL > 9\n     C                   EVAL      "
     "FAILED = '1'\n     C                   EVAL      PWHY = 'QSRLSAVF", "an error of 'QSRLSAVF'"),
    ('KV2207R1.rpgle', "     C                   EVAL      ERPROV = 16\n     C                   CALL      "
     "'QUSROBJD'", "     C                   EVAL      ERPROV = 0\n     C                   CALL      "
     "'QUSROBJD'", 'offer its 16 bytes'),
    # the contract, the languages and the build
    ('KV2207C.clp', 'VAR(&USER) TYPE(*CHAR) LEN(10)', 'VAR(&USER) TYPE(*CHAR) LEN(8)', '&USER'),
    ('KV2207C.clp', 'PGM        PARM(&SAVF &SAVFLIB &TGTLIB &USER)',
     'PGM        PARM(&SAVF &SAVFLIB &TGTLIB)', 'takes 3 parameters'),
    ('KV2207C.clp', 'SNDPGMMSG MSGID(CPF9898)', 'SNDPGMMSG MSGID(CPF9897)', 'CPF9898'),
    ('KV2207C.clp', 'MSGID(CPF0000 MCH0000 RNX0000 CEE0000)', 'MSGID(CPF0000 MCH0000 CEE0000)',
     'RNX0000'),
    ('KV2207C.clp', 'GOTO       CMDLBL(DONE)', 'GOTO       CMDLBL(DON)', 'missing label'),
    ('KV2207C.clp', '&TGTLIB &CREATED &RESULT', '&TGTLIB &CREATEDX &RESULT', 'not declared'),
    ('KV2207C.clp', 'VALUE(%SST(&OBJD 65 13))', 'VALUE(%TRIM(&OBJD))', '%TRIM'),
    ('KV2207C.clp', 'CHKOBJ     OBJ(&OWNLIB/KV2207R1) OBJTYPE(*PGM)\n', '', 'checks for'),
    ('KV2207C.clp', "CHGVAR     VAR(&STEP) VALUE('COMPARING')",
     "DSPLIB     LIB(&TGTLIB) OUTPUT(*PRINT)", 'DSPLIB is not a V4R4M0 command used here'),
    ('KV2207C.clp', "CHGVAR     VAR(&STEP) VALUE('COMPARING')", "DOUNTIL    COND(&FAILED)", 'DOUNTIL'),
    ('KV2207C.clp', 'PGM        PARM', 'pgm        PARM', 'invariant'),
    ('KV2207R1.rpgle', '     C                   EXSR      ARRIVED', '     C                    EXSR      ARRIVED',
     'does not start in column 26'),
    ('KV2207R1.rpgle', "%TRIM(SVNAME) + ' ' + %TRIM(SVTYPE) +\n     C                             ' NOT RESTORED",
     "%TRIMR(SVNAME) + ' ' + %TRIM(SVTYPE) +\n     C                             ' NOT RESTORED", '%TRIMR'),
    ('KV2207R1.rpgle', "     C                   ENDSR     '*CANCL'", '     C                   ENDSR',
     '*PSSR'),
    ('KV2207R1.rpgle', 'DPREFTIM          S             13A', 'DPREFTIM          S             14A',
     'KV2207R1 gets'),
    ('KV2207BLD.clp', 'LIB(QTEMP) DEV(*SAVF) +\n                          OBJTYPE(*PGM) SAVF(&LIB/KV2207SV)',
     'LIB(&LIB) DEV(*SAVF) +\n                          OBJTYPE(*PGM) SAVF(&LIB/KV2207SV)', 'from QTEMP'),
    ('KV2207BLD.clp', 'SRCMBR(KV2207R1) DFTACTGRP(*YES) +\n                          TGTRLS(&TGTRLS)',
     'SRCMBR(KV2207R1) DFTACTGRP(*YES) +\n                          TGTRLS(*CURRENT)',
     'KV2207R1 is not compiled for the target release'),
    ('KV2207BLD.clp', 'OBJ(KV2207C KV2207R1) LIB(QTEMP) DEV(*SAVF) +\n                          '
     'OBJTYPE(*PGM) SAVF(&LIB/KV2207SV)', 'OBJ(KV2207C) LIB(QTEMP) DEV(*SAVF) +\n                          '
     'OBJTYPE(*PGM) SAVF(&LIB/KV2207SV)', 'saves'),
    ('KV2207BLD.clp', 'PARM(&SAVFNAM &LIB &EMPTY &ME)\n             MONMSG     MSGID(CPF9898)',
     'PARM(&SAVFNAM &LIB &EMPTY &ME)\n             MONMSG     MSGID(CPF0000)', 'accept only CPF9898'),
    ('KV2207BLD.clp', 'PARM(&NEWER &HERE &HERE &ME)\n             MONMSG     MSGID(CPF9898)',
     'PARM(&NEWER &HERE &HERE &ME)\n             MONMSG     MSGID(CPF9897)', 'accept only CPF9898'),
    ('KV2207BLD.clp', '             RSTOBJ     OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) +\n                          '
     'SAVF(&LIB/KV2207SV) MBROPT(*ALL) +\n                          ALWOBJDIF(*ALL) RSTLIB(QTEMP)\n', '',
     'never restored have no restore time'),
    ('KV2207BLD.clp', '             DLYJOB     DLY(2)\n', '', 'a delay after the restore'),
    ('KV2207BLD.clp', 'PARM(&NEWER &HERE &HERE &ME)', 'PARM(&SAVFNAM &LIB &HERE &ME)',
     'a delay after the restore'),
]


def prove_faults_are_found(files):
    missed = []
    for name, old, new, expected in FAULTS:
        key = 'hostsrc/' + name
        if files[key].count(old) != 1:
            missed.append('%s: the text to change is not there once: %r' % (name, old))
            continue
        planted = dict(files)
        planted[key] = files[key].replace(old, new)
        errors = Checker(planted).run()
        if not any(expected in e for e in errors):
            missed.append('%s: %r -> %r went unnoticed (%s)' % (name, old, new, errors))
    return missed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--root', type=pathlib.Path, required=True)
    parser.add_argument('--faults', action='store_true')
    args = parser.parse_args()
    files = load(args.root)
    problems = prove_faults_are_found(files) if args.faults else Checker(files).run()
    for problem in problems:
        print(problem)
    if not problems:
        print('%d planted faults found' % len(FAULTS) if args.faults else 'host sources agree')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
