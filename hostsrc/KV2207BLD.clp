/* KV2207BLD: BUILDS THE HOST OBJECT, THE SAVE FILE &LIB/KV2207SV.        */
/*                                                                        */
/* THE SOURCES ARE MEMBERS OF &LIB/QCLSRC (KV2207C), &LIB/QRPGLESRC       */
/* (KV2207R1 TO KV2207R3) AND &LIB/QDDSSRC (KV2207F1, KV2207F2). THE      */
/* OBJECTS ARE COMPILED INTO &LIB FOR THE TARGET RELEASE &TGTRLS, COPIED  */
/* INTO QTEMP, AND SAVED FROM QTEMP: THE INSTALLER RESTORES THEM WITH     */
/* SAVLIB(QTEMP) RSTLIB(QTEMP), WHICH ONLY FINDS OBJECTS SAVED FROM       */
/* QTEMP.                                                                 */
/*                                                                        */
/*   CALL PGM(MYLIB/KV2207BLD) PARM(MYLIB V4R4M0)                         */
/*                                                                        */
/* THEN IT TESTS WHAT IT BUILT, ON THIS SYSTEM: KV2207C MUST PASS ITS     */
/* OWN SAVE FILE AND FAIL AN EMPTY LIBRARY. ENDS WITH CPF9898 WHEN A      */
/* STEP OR THE SELF-TEST FAILS; THE JOB LOG HAS THE CAUSE.                */

             PGM        PARM(&LIB &TGTRLS)

             DCL        VAR(&LIB) TYPE(*CHAR) LEN(10)
             DCL        VAR(&TGTRLS) TYPE(*CHAR) LEN(8)
             DCL        VAR(&LIBADDED) TYPE(*LGL) VALUE('0')
             DCL        VAR(&FAILED) TYPE(*LGL) VALUE('0')
             DCL        VAR(&STEP) TYPE(*CHAR) LEN(40)
             DCL        VAR(&MSGDTA) TYPE(*CHAR) LEN(132)
             DCL        VAR(&ME) TYPE(*CHAR) LEN(10)
             DCL        VAR(&SAVFNAM) TYPE(*CHAR) LEN(10) VALUE('KV2207SV')
             DCL        VAR(&HERE) TYPE(*CHAR) LEN(10) VALUE('QTEMP')
             DCL        VAR(&EMPTY) TYPE(*CHAR) LEN(10) VALUE('KV2207E')
             DCL        VAR(&EMPTYMADE) TYPE(*LGL) VALUE('0')
             DCL        VAR(&REFUSED) TYPE(*LGL) VALUE('0')

             MONMSG     MSGID(CPF0000 MCH0000) EXEC(GOTO CMDLBL(FAIL))

/* THE RPG COMPILER READS THE LAYOUTS OF THE TWO LIST FILES THROUGH THE  */
/* LIBRARY LIST.                                                         */
             CHGVAR     VAR(&STEP) VALUE('ADDING THE LIBRARY TO THE LIST')
             ADDLIBLE   LIB(&LIB) POSITION(*FIRST)
             MONMSG     MSGID(CPF2103) EXEC(GOTO CMDLBL(FILES))
             CHGVAR     VAR(&LIBADDED) VALUE('1')

/* THE TWO LIST FILES FIRST: THE PROGRAMS ARE COMPILED OVER THEM.        */
 FILES:      CHGVAR     VAR(&STEP) VALUE('CREATING KV2207F1')
             DLTF       FILE(&LIB/KV2207F1)
             MONMSG     MSGID(CPF2105)
             CRTPF      FILE(&LIB/KV2207F1) SRCFILE(&LIB/QDDSSRC) +
                          SRCMBR(KV2207F1) SIZE(*NOMAX)
             CHGVAR     VAR(&STEP) VALUE('CREATING KV2207F2')
             DLTF       FILE(&LIB/KV2207F2)
             MONMSG     MSGID(CPF2105)
             CRTPF      FILE(&LIB/KV2207F2) SRCFILE(&LIB/QDDSSRC) +
                          SRCMBR(KV2207F2) SIZE(*NOMAX)

/* THE COMPANIONS RUN IN THE DEFAULT ACTIVATION GROUP, AS THE OPM CL     */
/* PROGRAM THAT CALLS THEM, SO THE CALLER'S FILE OVERRIDES APPLY.        */
             CHGVAR     VAR(&STEP) VALUE('COMPILING KV2207R1')
             CRTBNDRPG  PGM(&LIB/KV2207R1) SRCFILE(&LIB/QRPGLESRC) +
                          SRCMBR(KV2207R1) DFTACTGRP(*YES) +
                          TGTRLS(&TGTRLS) REPLACE(*YES)
             CHGVAR     VAR(&STEP) VALUE('COMPILING KV2207R2')
             CRTBNDRPG  PGM(&LIB/KV2207R2) SRCFILE(&LIB/QRPGLESRC) +
                          SRCMBR(KV2207R2) DFTACTGRP(*YES) +
                          TGTRLS(&TGTRLS) REPLACE(*YES)
             CHGVAR     VAR(&STEP) VALUE('COMPILING KV2207R3')
             CRTBNDRPG  PGM(&LIB/KV2207R3) SRCFILE(&LIB/QRPGLESRC) +
                          SRCMBR(KV2207R3) DFTACTGRP(*YES) +
                          TGTRLS(&TGTRLS) REPLACE(*YES)
             CHGVAR     VAR(&STEP) VALUE('COMPILING KV2207C')
             CRTCLPGM   PGM(&LIB/KV2207C) SRCFILE(&LIB/QCLSRC) +
                          SRCMBR(KV2207C) TGTRLS(&TGTRLS) REPLACE(*YES)

/* COPIES IN QTEMP, REPLACING ANY FROM AN EARLIER RUN IN THIS JOB.       */
             CHGVAR     VAR(&STEP) VALUE('COPYING THE OBJECTS INTO QTEMP')
             DLTPGM     PGM(QTEMP/KV2207C)
             MONMSG     MSGID(CPF2105)
             DLTPGM     PGM(QTEMP/KV2207R1)
             MONMSG     MSGID(CPF2105)
             DLTPGM     PGM(QTEMP/KV2207R2)
             MONMSG     MSGID(CPF2105)
             DLTPGM     PGM(QTEMP/KV2207R3)
             MONMSG     MSGID(CPF2105)
             DLTF       FILE(QTEMP/KV2207F1)
             MONMSG     MSGID(CPF2105)
             DLTF       FILE(QTEMP/KV2207F2)
             MONMSG     MSGID(CPF2105)
             CRTDUPOBJ  OBJ(KV2207C) FROMLIB(&LIB) OBJTYPE(*PGM) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207R1) FROMLIB(&LIB) OBJTYPE(*PGM) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207R2) FROMLIB(&LIB) OBJTYPE(*PGM) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207R3) FROMLIB(&LIB) OBJTYPE(*PGM) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207F1) FROMLIB(&LIB) OBJTYPE(*FILE) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207F2) FROMLIB(&LIB) OBJTYPE(*FILE) +
                          TOLIB(QTEMP)

/* THE SAVE FILE, EMPTIED WHEN IT EXISTS. CLRSAVF REFUSES A FILE OF THAT */
/* NAME THAT IS NOT A SAVE FILE, SO NOTHING ELSE IS LOST.                */
             CHGVAR     VAR(&STEP) VALUE('PREPARING THE SAVE FILE')
             CHKOBJ     OBJ(&LIB/KV2207SV) OBJTYPE(*FILE)
             MONMSG     MSGID(CPF9801) EXEC(DO)
             CRTSAVF    FILE(&LIB/KV2207SV) TEXT('HOST OBJECT OF +
                          THE INSTALLER')
             GOTO       CMDLBL(SAVE)
             ENDDO
             CLRSAVF    FILE(&LIB/KV2207SV)

 SAVE:       CHGVAR     VAR(&STEP) VALUE('SAVING THE OBJECTS FROM QTEMP')
             SAVOBJ     OBJ(KV2207C KV2207R1 KV2207R2 KV2207R3 +
                          KV2207F1 KV2207F2) LIB(QTEMP) DEV(*SAVF) +
                          OBJTYPE(*PGM *FILE) SAVF(&LIB/KV2207SV) +
                          TGTRLS(&TGTRLS)

/* THE SELF-TEST. THE CHECK READS PRINTED LISTINGS WHOSE LAYOUT DEPENDS  */
/* ON THE RELEASE AND THE LANGUAGE OF THE SYSTEM; HERE IT MEETS THOSE OF */
/* THIS ONE. THE COPIES IN QTEMP MUST PASS THEIR OWN SAVE FILE (THE      */
/* LISTINGS ARE FOUND AND READ), AND AN EMPTY LIBRARY MUST FAIL IT (THE  */
/* CHECK CAN SAY NO). EITHER WRONG ANSWER FAILS THE BUILD: A HOST OBJECT */
/* THAT CANNOT READ ITS LISTINGS MUST NOT BE SHIPPED.                    */
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: OWN SAVE FILE MUST PASS')
             RTVJOBA    USER(&ME)
             CALL       PGM(QTEMP/KV2207C) PARM(&SAVFNAM &LIB &HERE &ME)

/* THE EMPTY LIBRARY IS NEW: A LIBRARY OF THAT NAME THAT IS THERE        */
/* ALREADY IS NOT OURS, AND STOPS THE BUILD RATHER THAN BE DELETED.      */
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: CREATING LIBRARY KV2207E')
             CRTLIB     LIB(&EMPTY) TEXT('EMPTY LIBRARY OF THE HOST +
                          OBJECT SELF-TEST')
             CHGVAR     VAR(&EMPTYMADE) VALUE('1')
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: EMPTY LIBRARY MUST FAIL')
             CALL       PGM(QTEMP/KV2207C) PARM(&SAVFNAM &LIB &EMPTY &ME)
             MONMSG     MSGID(CPF9898) EXEC(CHGVAR VAR(&REFUSED) +
                          VALUE('1'))
             IF         COND(*NOT &REFUSED) THEN(GOTO CMDLBL(FAIL))

             CHGVAR     VAR(&MSGDTA) VALUE('HOST OBJECT SAVED IN' *BCAT +
                          &LIB *TCAT '/KV2207SV FOR' *BCAT &TGTRLS +
                          *TCAT '; SELF-TEST PASSED')
             GOTO       CMDLBL(CLEANUP)

 FAIL:       CHGVAR     VAR(&FAILED) VALUE('1')
             CHGVAR     VAR(&MSGDTA) VALUE('KV2207BLD: FAILED WHILE' +
                          *BCAT &STEP *TCAT '; SEE THE JOB LOG')

 CLEANUP:    IF         COND(&EMPTYMADE) THEN(DO)
             DLTLIB     LIB(&EMPTY)
             MONMSG     MSGID(CPF0000)
             CHGVAR     VAR(&EMPTYMADE) VALUE('0')
             ENDDO
             IF         COND(&LIBADDED) THEN(DO)
             RMVLIBLE   LIB(&LIB)
             MONMSG     MSGID(CPF0000)
             CHGVAR     VAR(&LIBADDED) VALUE('0')
             ENDDO
             IF         COND(&FAILED) THEN(SNDPGMMSG MSGID(CPF9898) +
                          MSGF(QSYS/QCPFMSG) MSGDTA(&MSGDTA) +
                          MSGTYPE(*ESCAPE))
             SNDPGMMSG  MSGID(CPF9897) MSGF(QSYS/QCPFMSG) +
                          MSGDTA(&MSGDTA) MSGTYPE(*COMP)

             ENDPGM
