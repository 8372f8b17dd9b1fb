#!/usr/bin/env python3
"""Checks what can be checked of the host object's IBM i sources without an IBM i: that the
sources agree with one another (parameters, files, record layouts, overrides, the escape
message), that they keep to what the compilers of release V4R4M0 accept, and that they agree with
the installer's call, the manifest of the embedded image and the substitute host.

  check_hostsrc.py --root REPO            check the tree; exit 1 with a list of faults
  check_hostsrc.py --root REPO --faults   prove that planted faults are found
"""
import argparse
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from ibmi_sources import (SourceError, cl_list, parse_cl, parse_dds,  # noqa: E402
                          parse_manifest, parse_rpg, with_nested)

VERIFIER = 'KV2207C'
BUILDER = 'KV2207BLD'
SOURCES = ['KV2207C.clp', 'KV2207BLD.clp', 'KV2207R1.rpgle', 'KV2207R2.rpgle',
           'KV2207R3.rpgle', 'KV2207F1.pf', 'KV2207F2.pf']
KIND_BY_SUFFIX = {'.clp': ('*PGM', 'CLP'), '.rpgle': ('*PGM', 'RPGLE'), '.pf': ('*FILE', 'PF')}
OTHERS = ['installer/host_jobs.h', 'res/hostobj.manifest', 'savf/demo/product.manifest',
          'hostsim/core/call_command.cpp', 'hostsrc/README.md']

# Characters that every EBCDIC code page maps alike (upper case only: the Japanese katakana
# code pages have no lower-case letters), so an upload in ASCII mode cannot alter them.
INVARIANT = re.compile(r"[A-Z0-9 +<=>%&*\"'(),_\-./:;?]*\Z")
DATA_WIDTH = {'.clp': 80, '.pf': 80, '.rpgle': 100}

# CL commands the sources may use: all exist at V4R4M0. The structured commands of later
# releases (DOWHILE, SELECT, SUBR, ...) and their built-ins are not among them.
CL_COMMANDS = {'PGM', 'ENDPGM', 'DCL', 'MONMSG', 'CHGVAR', 'IF', 'ELSE', 'DO', 'ENDDO', 'GOTO',
               'CALL', 'ADDLIBLE', 'RMVLIBLE', 'RTVJOBA', 'RTVOBJD', 'CHKOBJ', 'DLTF', 'CRTPF',
               'CLRPFM', 'OVRPRTF', 'OVRDBF', 'DLTOVR', 'DSPSAVF', 'DSPLIB', 'CPYSPLF',
               'DLTSPLF', 'SNDPGMMSG', 'CRTBNDRPG', 'CRTCLPGM', 'CRTDUPOBJ', 'DLTPGM',
               'CRTSAVF', 'CLRSAVF', 'SAVOBJ', 'RTVSYSVAL', 'ADDPFM', 'CRTLIB', 'DLTLIB'}
# System programs the verifier calls; everything else it calls is a companion from its own library.
SYSTEM_APIS = {'QSYS/QSZRTVPR', 'QSYS/QUSCRTUS', 'QSYS/QUSLSPL', 'QSYS/QUSRTVUS'}
# Every object type a library can hold (*LIB aside), independent of the readers' own table: an
# entry dropped from that table would let objects of the type go uncompared.
OBJECT_TYPES = '''
*ALRTBL *AUTL *BNDDIR *CFGL *CHTFMT *CLD *CLS *CMD *CNNL *COSD *CRG *CRQD *CSI *CSPMAP *CSPTBL
*CTLD *DEVD *DOC *DTAARA *DTADCT *DTAQ *EDTD *EXITRG *FCT *FILE *FLR *FNTRSC *FNTTBL *FORMDF
*FTR *GSS *IGCDCT *IGCSRT *IGCTBL *IMGCLG *IPXD *JOBD *JOBQ *JOBSCD *JRN *JRNRCV *LIND *LOCALE
*MEDDFN *MENU *MGTCOL *MODD *MODULE *MSGF *MSGQ *M36 *M36CFG *NODGRP *NODL *NTBD *NWID *NWSCFG
*NWSD *OUTQ *OVL *PAGDFN *PAGSEG *PDFMAP *PDG *PGM *PNLGRP *PRDAVL *PRDDFN *PRDLOD *PSFCFG
*QMFORM *QMQRY *QRYDFN *RCT *SBSD *SCHIDX *SPADCT *SQLPKG *SQLUDT *SQLXSR *SRVPGM *SSND *SVRSTG
*S36 *TBL *TIMZON *USRIDX *USRPRF *USRQ *USRSPC *VLDL *WSCST'''.split()
CL_BUILTINS = {'%SST', '%SUBSTRING', '%BIN', '%BINARY', '%SWITCH'}
RPG_OPCODES = {'EVAL', 'IF', 'ELSE', 'ENDIF', 'DOW', 'ENDDO', 'EXSR', 'BEGSR', 'ENDSR', 'OPEN',
               'CLOSE', 'READ', 'WRITE', 'CHAIN', 'LOOKUP', 'RETURN', 'PLIST', 'PARM', 'KLIST',
               'KFLD'}
RPG_BUILTINS = {'%SUBST', '%ERROR', '%EOF', '%FOUND'}  # all there since V4R2
FILE_OPCODES = {'OPEN', 'CLOSE', 'READ', 'WRITE', 'CHAIN'}
NOT_MONITORABLE_AFTER = {'PGM', 'DCL', 'IF', 'ELSE', 'DO', 'ENDDO', 'GOTO', 'MONMSG'}
PRINTER_FILE = {'DSPSAVF': 'QPSRODSP', 'DSPLIB': 'QPDSPLIB'}
PRINT_CONTROL = 4  # CTLCHAR(*PRTCTL): skip-before (3) and space-before (1) before the line


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
        for step in (self.check_cl_programs, self.check_parameters,
                     self.check_installer_call, self.check_companion_calls,
                     self.check_listings_and_overrides, self.check_rpg_programs,
                     self.check_readers_share_their_parsing, self.check_record_layouts,
                     self.check_build, self.check_manifest, self.check_hostsim):
            try:
                step()
            except SourceError as e:
                self.fail(step.__name__, str(e))
            except (KeyError, IndexError, ValueError, StopIteration, AttributeError) as e:
                self.fail(step.__name__, 'could not read the sources: %r' % e)
        return self.errors

    # --- reading ---------------------------------------------------------------------------
    def read_sources(self):
        self.cl, self.rpg, self.dds, self.saved = {}, {}, {}, []
        for name in SOURCES:
            text = self.files.get('hostsrc/' + name)
            if text is None:
                raise SourceError('hostsrc/%s is missing' % name)
            stem, suffix = name.split('.')
            try:
                if suffix == 'clp':
                    self.cl[stem] = with_nested(parse_cl(text))
                elif suffix == 'rpgle':
                    self.rpg[stem] = parse_rpg(text)
                else:
                    self.dds[stem] = parse_dds(text)
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
                for label in re.findall(r'GOTO +(?:CMDLBL\()?([A-Z][A-Z0-9]*)', bare):
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

    def check_listings_and_overrides(self):
        """Follows the verifier's statements in order: the work file, the printer-file overrides,
        the spooled-file copies and the database overrides each companion relies on."""
        work = [s for s in self.statements(VERIFIER, 'CRTPF')]
        if len(work) != 1:
            raise SourceError('the verifier must create exactly one work file')
        work_file = work[0].params['FILE']
        record_length = int(work[0].params.get('RCDLEN', '0'))
        if not work_file.startswith('QTEMP/'):
            self.fail(VERIFIER, 'the listing work file must be in QTEMP')
        printer, database, printed, copied_member = {}, {}, None, None
        tag, entry_fields, count = self.listing_finder()
        last_if = None
        for s in self.cl[VERIFIER]:
            if s.label == 'FAIL':
                if database or printer:
                    self.fail(VERIFIER, 'overrides %s are still in effect at the end'
                              % sorted(list(database) + list(printer)))
                break
            p = s.params
            if s.command == 'IF':
                last_if = s
            if s.command == 'OVRPRTF':
                if p.get('HOLD') != '*YES' or p.get('MAXRCDS') != '*NOMAX':
                    self.fail(VERIFIER, 'line %d: the listing must be held and complete' % s.line)
                if tag is None or p.get('USRDTA') != tag:
                    self.fail(VERIFIER, 'line %d: the listing must carry this call\'s tag as its '
                              'user data, the one the listing finder looks for' % s.line)
                if not self.demands(last_if, count, 0):
                    self.fail(VERIFIER, 'line %d: prints without first making sure that no '
                              'listing carries the tag yet' % s.line)
                printer[p['FILE']] = p
            elif s.command == 'OVRDBF':
                database[p['FILE']] = p['TOFILE']
                if p['TOFILE'] == work_file and p.get('MBR') != copied_member:
                    self.fail(VERIFIER, 'line %d: reads member %s of the work file, the listing '
                              'was copied into %s' % (s.line, p.get('MBR'), copied_member))
            elif s.command == 'DLTOVR':
                printer.pop(p['FILE'], None)
                database.pop(p['FILE'], None)
            elif s.command in PRINTER_FILE:
                printed = PRINTER_FILE[s.command]
                if p.get('OUTPUT') != '*PRINT' or printed not in printer:
                    self.fail(VERIFIER, 'line %d: %s must print through an override of %s'
                              % (s.line, s.command, printed))
            elif s.command in ('CPYSPLF', 'DLTSPLF'):
                if p['FILE'] != printed:
                    self.fail(VERIFIER, 'line %d: %s of %s, but the last listing was %s'
                              % (s.line, s.command, p['FILE'], printed))
                job = re.match(r'&([A-Z0-9]+)/&([A-Z0-9]+)/&([A-Z0-9]+)$', p.get('JOB', ''))
                number = re.match(r'&([A-Z0-9]+)$', p.get('SPLNBR', ''))
                if not job or not number or \
                        not set(job.groups() + (number.group(1),)) <= entry_fields:
                    self.fail(VERIFIER, 'line %d: %s cannot tell this call\'s listing: it must '
                              'name the job and number the listing finder found' % (s.line, s.command))
                if s.command == 'CPYSPLF':
                    if not self.demands(last_if, count, 1):
                        self.fail(VERIFIER, 'line %d: copies a listing without making sure that it '
                                  'is the only one with the tag' % s.line)
                    if p.get('TOFILE') != work_file or p.get('CTLCHAR') != '*PRTCTL':
                        self.fail(VERIFIER, 'line %d: the listing goes into %s with *PRTCTL'
                                  % (s.line, work_file))
                    copied_member = p.get('TOMBR')
            elif s.command == 'CALL' and p['PGM'].startswith('&OWNLIB/'):
                program = p['PGM'].split('/')[1]
                for f in self.rpg[program].files:
                    expected = work_file if f.described == 'F' else '&OWNLIB/' + f.name
                    if database.get(f.name) != expected:
                        self.fail(VERIFIER, 'line %d: %s opens %s, which is not overridden to %s'
                                  % (s.line, program, f.name, expected))
                    if f.described == 'F' and f.record_length != record_length:
                        self.fail(VERIFIER, '%s reads %s with records of %d, the work file has '
                                  '%d' % (program, f.name, f.record_length, record_length))
                    if f.described == 'F':
                        self.check_print_line(program, record_length)

    def listing_finder(self):
        """The tag the verifier passes to QUSLSPL as user data, the variables it fills from the
        list entries, and the variable that counts the entries found."""
        calls = [s for s in self.statements(VERIFIER, 'CALL') if s.params['PGM'] == 'QSYS/QUSLSPL']
        if len(calls) != 1:
            self.fail(VERIFIER, 'must find its listings with one QUSLSPL call, by their user data')
            return None, set(), None
        values = cl_list(calls[0].params.get('PARM', ''))
        tag = values[5] if len(values) > 5 and values[5].startswith('&') else None
        fields, count, previous = set(), None, None
        for s in self.cl[VERIFIER]:
            target, value = s.params.get('VAR', ''), s.params.get('VALUE', '')
            if s.command == 'CHGVAR' and '&ENTRY' in value and target.startswith('&'):
                fields.add(target[1:])
            # the count: what the first statement of the block for a matching entry increments
            if s.command == 'CHGVAR' and value == target + ' + 1' and previous is not None and \
                    previous.command == 'IF' and '&ENTRY' in previous.params.get('COND', ''):
                count = target
            previous = s
        return tag, fields, count

    @staticmethod
    def demands(statement, count, wanted):
        """Whether statement is IF COND(count *NE wanted) THEN(GOTO CMDLBL(FAIL))."""
        return statement is not None and count is not None and \
            statement.params.get('COND') == '%s *NE %d' % (count, wanted) and \
            re.match(r'GOTO CMDLBL\(FAIL\)$', statement.params.get('THEN', '')) is not None

    def check_print_line(self, program, record_length):
        """A reader must take the print line from after the print control, whole."""
        rpg = self.rpg[program]
        whole = [name for first, last, name in rpg.input_fields if (first, last) == (1, record_length)]
        line_length = record_length - PRINT_CONTROL
        wanted = ['LINE = %%SUBST(%s:%d:%d)' % (name, PRINT_CONTROL + 1, line_length) for name in whole]
        if not any(c.opcode == 'EVAL' and c.factor2 in wanted for c in rpg.calcs):
            self.fail(program, 'does not take the %d-byte print line from after the %d bytes of '
                      'print control' % (line_length, PRINT_CONTROL))
        if rpg.definitions.get('LINE') is None or rpg.definitions['LINE'].length != line_length + 1:
            self.fail(program, 'LINE must hold the print line and one blank after it')

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
            pairs = {'ENDIF': 'IF', 'ENDDO': 'DOW', 'ENDSR': 'BEGSR'}
            for c in rpg.calcs:
                if c.opcode not in RPG_OPCODES | set(pairs):
                    self.fail(where, 'line %d: operation %s is not used here' % (c.line, c.opcode))
                for builtin in re.findall(r'%[A-Z]+', unquoted(c.factor2)):
                    if builtin not in RPG_BUILTINS:
                        self.fail(where, 'line %d: built-in %s is not known to be at V4R4M0'
                                  % (c.line, builtin))
                if c.opcode in FILE_OPCODES and c.extender != 'E':
                    self.fail(where, 'line %d: %s without (E): an I/O error would stop the job '
                              'with an inquiry' % (c.line, c.opcode))
                if c.opcode in ('IF', 'DOW', 'BEGSR'):
                    stack.append(c.opcode)
                elif c.opcode in pairs:
                    if not stack or stack.pop() != pairs[c.opcode]:
                        self.fail(where, 'line %d: %s closes nothing open' % (c.line, c.opcode))
                elif c.opcode == 'ELSE' and (not stack or stack[-1] != 'IF'):
                    self.fail(where, 'line %d: ELSE outside an IF' % c.line)
            if stack:
                self.fail(where, 'blocks left open: %s' % stack)
            for f in rpg.files:
                if 'USROPN' not in f.keywords:
                    self.fail(where, '%s must be opened by the program, so that a failed open '
                              'is a result and not an inquiry' % f.name)

    def check_readers_share_their_parsing(self):
        blocks = []
        for program in ('KV2207R1', 'KV2207R2'):
            text = self.files['hostsrc/%s.rpgle' % program]
            m = re.search(r'--- SHARED WITH THE OTHER.*?--- END OF THE SHARED PART ---', text, re.S)
            if not m:
                raise SourceError('%s has no shared part' % program)
            blocks.append(m.group())
        if blocks[0] != blocks[1]:
            self.fail('KV2207R1/KV2207R2', 'the shared word scanner and object-line test differ')
        tables = [self.rpg[p].ctdata.get('TYPES') for p in ('KV2207R1', 'KV2207R2')]
        if tables[0] != tables[1]:
            self.fail('KV2207R1/KV2207R2', 'the object-type tables differ')
        definition = self.rpg['KV2207R1'].definitions['TYPES']
        dim = int(re.search(r'DIM\((\d+)\)', definition.keywords).group(1))
        per_record = int(re.search(r'PERRCD\((\d+)\)', definition.keywords).group(1))
        records = tables[0] or []
        types = [r[i:i + definition.length].strip()
                 for r in records for i in range(0, len(r), definition.length)]
        if any(len(r) > per_record * definition.length for r in records) or len(types) != dim:
            self.fail('KV2207R1', 'TYPES has DIM(%d) but %d entries' % (dim, len(types)))
        for t in types:
            if not re.match(r'\*[A-Z][A-Z0-9]{1,5}\Z', t):
                self.fail('KV2207R1', 'bad entry %r in the object-type table' % t)
        for kind in sorted(set(OBJECT_TYPES) - set(types)):
            self.fail('KV2207R1', 'the type table lacks %s: objects of that type would never be '
                      'compared' % kind)
        self.check_readers_results(blocks[0])
        if '*LIB' in types:
            self.fail('KV2207R1', '*LIB in the type table: a save file\'s own library would '
                      'count as one of its objects')
        used = {kind for _, kind, _ in self.saved}
        for manifest in ('res/hostobj.manifest', 'savf/demo/product.manifest'):
            if manifest in self.files:
                used |= {kind for _, kind, _ in parse_manifest(self.files[manifest])['objects']}
        for kind in sorted(used - set(types)):
            self.fail('KV2207R1', 'the readers would not see objects of type %s' % kind)

    def check_readers_results(self, shared):
        """What each reader must have seen before it answers '1': the whole listing, a heading
        that names what was asked for and, in the save file's listing, no object line of a type
        the table does not know."""
        flat = re.sub(r'\s+', ' ', shared)
        if not re.search(r"IF TYPE10 <> '\*LIB' C EVAL UNKTYP = '1'", flat):
            self.fail('KV2207R1/KV2207R2', 'an object line of an unknown type must be flagged, '
                      '*LIB alone excepted')
        required = {'KV2207R1': ["FAILED = '0'", "BADTYP = '0'", "HAVSAV = '1'", "HAVLIB = '1'"],
                    'KV2207R2': ["FAILED = '0'", "HAVLIB = '1'"]}
        for program, conditions in required.items():
            calcs = self.rpg[program].calcs
            answer = [i for i, c in enumerate(calcs)
                      if c.opcode == 'EVAL' and c.factor2 == "PRESULT = '1'"]
            guard = calcs[answer[0] - 1].factor2 if len(answer) == 1 and answer[0] > 0 else ''
            for condition in conditions:
                if condition not in guard:
                    self.fail(program, 'answers 1 without %s' % condition)
        calcs = self.rpg['KV2207R1'].calcs
        flags = [i for i, c in enumerate(calcs) if c.opcode == 'IF' and c.factor2 == "UNKTYP = '1'"]
        if not flags or calcs[flags[0] + 1].factor2 != "BADTYP = '1'":
            self.fail('KV2207R1', 'an object line of an unknown type must fail the read')
        for program, names in (('KV2207R1', ['PSAVF', 'PSVLIB']), ('KV2207R2', ['PLIB'])):
            wanted = [c.factor2 for c in self.rpg[program].calcs
                      if c.opcode == 'EVAL' and c.factor2.startswith('WANTED = ')]
            if sorted(wanted) != sorted('WANTED = ' + n for n in names):
                self.fail(program, 'the heading must be searched for %s, found %s' % (names, wanted))

    def check_record_layouts(self):
        fields, texts = {}, {}
        for stem, dds in self.dds.items():
            texts.update(dds.texts)
            if dds.record == stem:
                self.fail(stem + '.pf', 'the record format must not be named like the file')
            for name, length, data_type, decimals in dds.fields:
                fields[name] = (length, data_type, stem)
            for key in dds.keys:
                if key not in fields:
                    self.fail(stem + '.pf', 'key %s is no field' % key)
        for program, rpg in self.rpg.items():
            where = program + '.rpgle'
            records = {}
            for f in rpg.files:
                if f.described == 'E':
                    if f.name not in self.dds:
                        self.fail(where, '%s has no DDS' % f.name)
                        continue
                    records[self.dds[f.name].record] = f
            for c in rpg.calcs:
                if c.opcode == 'WRITE' and (c.factor2 not in records or
                                            records[c.factor2].usage != 'O'):
                    self.fail(where, 'line %d: WRITE %s is no output record format'
                              % (c.line, c.factor2))
                m = re.match(r'([A-Z0-9]+) = ([A-Z0-9]+)$', c.factor2) if c.opcode == 'EVAL' else None
                if m and m.group(1) in fields and m.group(2) in rpg.definitions:
                    target, source = fields[m.group(1)], rpg.definitions[m.group(2)]
                    if source.length > target[0]:
                        self.fail(where, 'line %d: %s (%d) does not fit into %s (%d)'
                                  % (c.line, m.group(2), source.length, m.group(1), target[0]))
                    if (source.data_type == 'P') != (target[1] == 'P'):
                        self.fail(where, 'line %d: %s and %s differ in kind'
                                  % (c.line, m.group(1), m.group(2)))
            klists = {}
            current = None
            for c in rpg.calcs:
                if c.opcode == 'KLIST':
                    current = klists.setdefault(c.factor1, [])
                elif c.opcode == 'KFLD' and current is not None:
                    current.append(c.result)
                else:
                    current = None
            for c in rpg.calcs:
                if c.opcode == 'CHAIN':
                    keyed = next((f for f in rpg.files if f.name == c.factor2), None)
                    if keyed is None or not keyed.keyed:
                        self.fail(where, 'line %d: CHAIN to a file not opened by key' % c.line)
                        continue
                    dds = self.dds[keyed.name]
                    given = [fields.get(k, (None, None))[:2] + (texts.get(k),)
                             for k in klists.get(c.factor1, [])]
                    wanted = [fields[k][:2] + (texts[k],) for k in dds.keys]
                    if given != wanted:
                        self.fail(where, 'line %d: key %s %s does not match the key of %s %s'
                                  % (c.line, c.factor1, given, keyed.name, wanted))

    # --- the build -----------------------------------------------------------------------------
    def check_build(self):
        saves = self.statements(BUILDER, 'SAVOBJ')
        if len(saves) != 1:
            raise SourceError('the build must save once')
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
        for command in ('CRTPF', 'CRTBNDRPG', 'CRTCLPGM'):
            for s in self.statements(BUILDER, command):
                target = s.params.get('FILE') or s.params.get('PGM')
                compiled[target.split('/')[1]] = (command, s.params)
        for name, kind, attribute in self.saved:
            command = {'PF': 'CRTPF', 'RPGLE': 'CRTBNDRPG', 'CLP': 'CRTCLPGM'}[attribute]
            if compiled.get(name, (None,))[0] != command:
                self.fail(BUILDER, '%s is not made with %s' % (name, command))
            elif command != 'CRTPF' and compiled[name][1].get('TGTRLS') != '&TGTRLS':
                self.fail(BUILDER, '%s is not compiled for the target release' % name)
            elif command == 'CRTBNDRPG' and compiled[name][1].get('DFTACTGRP') != '*YES':
                self.fail(BUILDER, '%s must run in the default activation group, where the '
                          'caller\'s overrides apply' % name)

        self.check_self_test()

    def check_self_test(self):
        """After saving, the build calls what it built twice: on its own save file, where any
        escape message fails the build, and on an empty library, where only CPF9898 is the right
        answer and no answer at all fails the build."""
        statements = [s for s in self.cl[BUILDER] if not s.nested]
        save = next(i for i, s in enumerate(statements) if s.command == 'SAVOBJ')
        calls = [i for i, s in enumerate(statements) if s.command == 'CALL' and
                 s.params['PGM'] == 'QTEMP/' + VERIFIER]
        if len(calls) != 2 or min(calls, default=0) < save:
            self.fail(BUILDER, 'the self-test must call QTEMP/%s twice after saving' % VERIFIER)
            return
        if statements[calls[0] + 1].command == 'MONMSG':
            self.fail(BUILDER, 'the self-test must let its own save file\'s check fail the build')
        after = statements[calls[1] + 1:calls[1] + 3]
        if [s.command for s in after] != ['MONMSG', 'IF'] or \
                after[0].params.get('MSGID') != 'CPF9898' or \
                'GOTO CMDLBL(FAIL)' not in after[1].params.get('THEN', ''):
            self.fail(BUILDER, 'the self-test must accept only CPF9898 from the empty library, '
                      'and fail the build when the check passes it')

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
        if not re.search(r'Holds\(\*present, item\.object\.name, item\.object\.type\)', text):
            self.fail(where, 'does not match objects by name and type')


def load(root):
    files = {}
    for rel in ['hostsrc/' + s for s in SOURCES] + OTHERS:
        path = root / rel
        if path.exists():
            files[rel] = path.read_text(encoding='ascii', errors='replace')
    return files


# Faults planted one at a time into otherwise good sources; the checks must find each.
FAULTS = [
    ('KV2207C.clp', 'VAR(&USER) TYPE(*CHAR) LEN(10)', 'VAR(&USER) TYPE(*CHAR) LEN(8)', '&USER'),
    ('KV2207C.clp', 'PGM        PARM(&SAVF &SAVFLIB &TGTLIB &USER)',
     'PGM        PARM(&SAVF &SAVFLIB &TGTLIB)', 'takes 3 parameters'),
    ('KV2207C.clp', 'SNDPGMMSG MSGID(CPF9898)', 'SNDPGMMSG MSGID(CPF9897)', 'CPF9898'),
    ('KV2207C.clp', 'MSGID(CPF0000 MCH0000 RNX0000 CEE0000)', 'MSGID(CPF0000 MCH0000 CEE0000)',
     'RNX0000'),
    ('KV2207C.clp', 'OVRDBF     FILE(KV2207F2) TOFILE(&OWNLIB/KV2207F2)\n             CHGVAR     '
     'VAR(&READOK)', 'CHGVAR     VAR(&READOK)', 'KV2207F2, which is not overridden'),
    ('KV2207C.clp', 'DLTOVR     FILE(KV2207F1)\n             DLTOVR     FILE(KV2207F2)',
     'DLTOVR     FILE(KV2207F2)', 'still in effect'),
    ('KV2207C.clp', 'CPYSPLF    FILE(QPDSPLIB) TOFILE(QTEMP/KV2207W)',
     'CPYSPLF    FILE(QPSRODSP) TOFILE(QTEMP/KV2207W)', 'the last listing was QPDSPLIB'),
    # the newest listing of a QPRTJOB may be an earlier call's: only this call's tag tells
    ('KV2207C.clp', 'JOB(&SPLJNB/&SPLUSR/&SPLJOB) SPLNBR(&SPLNBR) +\n                          '
     'TOMBR(LIBLIST)', 'JOB(&USER/QPRTJOB) SPLNBR(*LAST) +\n                          '
     'TOMBR(LIBLIST)', 'cannot tell this call\'s listing'),
    ('KV2207C.clp', 'HOLD(*YES) USRDTA(&TAG)\n             DSPLIB', 'HOLD(*YES)\n             DSPLIB',
     'this call\'s tag'),
    ('KV2207C.clp', 'LIBCPY:     IF         COND(&NFOUND *NE 1)', 'LIBCPY:     IF         COND(&NFOUND *LT 1)',
     'the only one with the tag'),
    ('KV2207C.clp', 'SAVPRT:     IF         COND(&NFOUND *NE 0) THEN(GOTO CMDLBL(FAIL))\n',
     'SAVPRT:     CHGVAR     VAR(&NFOUND) VALUE(0)\n', 'no listing carries the tag yet'),
    ('KV2207C.clp', 'TOFILE(QTEMP/KV2207W) +\n                          MBR(LIBLIST)',
     'TOFILE(QTEMP/KV2207W) +\n                          MBR(SAVFLIST)', 'reads member SAVFLIST'),
    ('KV2207C.clp', 'RCDLEN(136)', 'RCDLEN(132)', 'records of 136'),
    ('KV2207C.clp', 'CALL       PGM(&OWNLIB/KV2207R3) PARM(&MATCH)',
     'CALL       PGM(&OWNLIB/KV2207R3) PARM(&MATCH &READOK)', 'KV2207R3 gets'),
    ('KV2207C.clp', 'EXEC(GOTO CMDLBL(GETRLS))', 'EXEC(GOTO CMDLBL(GETRL))', 'missing label'),
    ('KV2207C.clp', '&SAVFLIB &READOK)', '&SAVFLIB &READ0K)', 'not declared'),
    ('KV2207C.clp', "VALUE(%SST(&PRDRCV 20 6))", "VALUE(%TRIM(&PRDRCV))", '%TRIM'),
    ('KV2207C.clp', 'CHKOBJ     OBJ(&OWNLIB/KV2207F2) OBJTYPE(*FILE)\n', '', 'checks for'),
    ('KV2207C.clp', 'RTVJOBA    NBR(&JOBNBR)', 'DOUNTIL    COND(&OWNADDED)', 'DOUNTIL'),
    ('KV2207C.clp', 'PGM        PARM', 'pgm        PARM', 'invariant'),
    ('KV2207R1.rpgle', '     C                   EXSR      OBJLIN\n     C                   EVAL      OBJATR',
     '     C                    EXSR      OBJLIN\n     C                   EVAL      OBJATR',
     'does not start in column 26'),
    ('KV2207R1.rpgle', 'LINE = %SUBST(LISTREC:5:132)', 'LINE = %SUBSTR(LISTREC:5:132)', '%SUBSTR'),
    ('KV2207R2.rpgle', 'LINE = %SUBST(LISTREC:5:132)', 'LINE = %SUBST(LISTREC:1:132)',
     'after the 4 bytes of print control'),
    ('KV2207R1.rpgle', 'READ(E)   KV2207W\n     C                   IF        %ERROR\n     C  '
     '                 EVAL      FAILED = \'1\'\n     C                   ENDIF\n     C      '
     '             DOW', 'READ      KV2207W\n     C                   IF        %ERROR\n     C  '
     '                 EVAL      FAILED = \'1\'\n     C                   ENDIF\n     C      '
     '             DOW', 'without (E)'),
    ('KV2207R1.rpgle', '     C                   ENDSR     \'*CANCL\'', '     C                   ENDSR',
     '*PSSR'),
    ('KV2207R2.rpgle', "NAMCHR <> '*' AND\n     C                             NAMCHR <> '.'",
     "NAMCHR <> '*' AND\n     C                             NAMCHR <> '-'", 'shared'),
    # a type dropped from both tables alike: objects of it would never be compared
    ('KV2207R1.rpgle', '*DTAARA*DTADCT', '*DTADCT', 'lacks *DTAARA'),
    ('KV2207R1.rpgle', "IF        FAILED = '0' AND BADTYP = '0' AND",
     "IF        FAILED = '0' AND", "without BADTYP"),
    ('KV2207R2.rpgle', "IF        FAILED = '0' AND HAVLIB = '1'", "IF        FAILED = '0'",
     'without HAVLIB'),
    ('KV2207R1.rpgle', "     C                   IF        TYPE10 <> '*LIB'\n     C                   "
     "EVAL      UNKTYP = '1'", "     C                   IF        TYPE10 <> '*LIB'\n     C      "
     "             EVAL      UNKTYP = '0'", 'unknown type must be flagged'),
    ('KV2207R1.rpgle', 'EVAL      WANTED = PSVLIB', 'EVAL      WANTED = PSAVF', 'searched for'),
    ('KV2207R2.rpgle', 'DPRESULT          S              1A', 'DPRESULT          S              2A',
     'KV2207R2 gets'),
    ('KV2207R2.rpgle', '*PGM   *PNLGRP', '*PNLGRP*PRDAVL', 'differ'),
    ('KV2207R1.rpgle', 'DIM(92)', 'DIM(93)', 'DIM(93)'),
    ('KV2207R3.rpgle', 'KFLD                    SVTYPE', 'KFLD                    SVATTR',
     'does not match the key'),
    ('KV2207F2.pf', 'LBTYPE        10A', 'LBTYPE         8A', 'does not match the key'),
    ('KV2207F1.pf', 'SVNAME        10A', 'SVNAME         8A', 'does not fit'),
    ('KV2207F1.pf', 'R KV2207F1R ', 'R KV2207F1  ', 'named like the file'),
    ('KV2207BLD.clp', 'LIB(QTEMP) DEV(*SAVF)', 'LIB(&LIB) DEV(*SAVF)', 'from QTEMP'),
    ('KV2207BLD.clp', 'SRCMBR(KV2207R2) DFTACTGRP(*YES) +\n                          TGTRLS(&TGTRLS)',
     'SRCMBR(KV2207R2) DFTACTGRP(*YES) +\n                          TGTRLS(*CURRENT)',
     'KV2207R2 is not compiled for the target release'),
    ('KV2207BLD.clp', 'KV2207F1 KV2207F2) LIB(QTEMP)', 'KV2207F1) LIB(QTEMP)', 'saves'),
    ('KV2207BLD.clp', 'MONMSG     MSGID(CPF9898) EXEC(CHGVAR VAR(&REFUSED)',
     'MONMSG     MSGID(CPF0000) EXEC(CHGVAR VAR(&REFUSED)', 'accept only CPF9898'),
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
