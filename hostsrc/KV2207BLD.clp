/* KV2207BLD: BUILDS THE HOST OBJECT, THE SAVE FILE &LIB/KV2207SV.        */
/*                                                                        */
/* THE SOURCES ARE MEMBERS OF &LIB/QCLSRC (KV2207C) AND &LIB/QRPGLESRC    */
/* (KV2207R1). THE TWO PROGRAMS ARE COMPILED INTO &LIB FOR THE TARGET     */
/* RELEASE &TGTRLS, COPIED INTO QTEMP, AND SAVED FROM QTEMP: THE          */
/* INSTALLER RESTORES THEM WITH SAVLIB(QTEMP) RSTLIB(QTEMP), WHICH ONLY   */
/* FINDS OBJECTS SAVED FROM QTEMP.                                        */
/*                                                                        */
/*   CALL PGM(MYLIB/KV2207BLD) PARM(MYLIB V4R4M0)                         */
/*                                                                        */
/* THEN IT TESTS WHAT IT BUILT, ON THIS SYSTEM, AS THE INSTALLER USES IT: */
/* RESTORED FROM ITS SAVE FILE INTO QTEMP, KV2207C MUST PASS ITS OWN SAVE */
/* FILE, FAIL AN EMPTY LIBRARY, AND FAIL OBJECTS THAT WERE RESTORED       */
/* BEFORE THE SAVE FILE WAS MADE (WHAT AN OBJECT IN USE DURING A RESTORE  */
/* LEAVES BEHIND). ENDS WITH CPF9898 WHEN A STEP OR THE SELF-TEST FAILS;  */
/* THE JOB LOG HAS THE CAUSE.                                             */

             PGM        PARM(&LIB &TGTRLS)

             DCL        VAR(&LIB) TYPE(*CHAR) LEN(10)
             DCL        VAR(&TGTRLS) TYPE(*CHAR) LEN(8)
             DCL        VAR(&FAILED) TYPE(*LGL) VALUE('0')
             DCL        VAR(&STEP) TYPE(*CHAR) LEN(40)
             DCL        VAR(&MSGDTA) TYPE(*CHAR) LEN(132)
             DCL        VAR(&ME) TYPE(*CHAR) LEN(10)
             DCL        VAR(&SAVFNAM) TYPE(*CHAR) LEN(10) VALUE('KV2207SV')
             DCL        VAR(&HERE) TYPE(*CHAR) LEN(10) VALUE('QTEMP')
             DCL        VAR(&EMPTY) TYPE(*CHAR) LEN(10) VALUE('KV2207E')
             DCL        VAR(&NEWER) TYPE(*CHAR) LEN(10) VALUE('KV2207N')
             DCL        VAR(&EMPTYMADE) TYPE(*LGL) VALUE('0')
             DCL        VAR(&NEWERMADE) TYPE(*LGL) VALUE('0')
             DCL        VAR(&REFUSED) TYPE(*LGL) VALUE('0')

             MONMSG     MSGID(CPF0000 MCH0000) EXEC(GOTO CMDLBL(FAIL))

/* THE COMPANION RUNS IN THE DEFAULT ACTIVATION GROUP, AS THE OPM CL     */
/* PROGRAM THAT CALLS IT.                                                */
             CHGVAR     VAR(&STEP) VALUE('COMPILING KV2207R1')
             CRTBNDRPG  PGM(&LIB/KV2207R1) SRCFILE(&LIB/QRPGLESRC) +
                          SRCMBR(KV2207R1) DFTACTGRP(*YES) +
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
             CRTDUPOBJ  OBJ(KV2207C) FROMLIB(&LIB) OBJTYPE(*PGM) +
                          TOLIB(QTEMP)
             CRTDUPOBJ  OBJ(KV2207R1) FROMLIB(&LIB) OBJTYPE(*PGM) +
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
             SAVOBJ     OBJ(KV2207C KV2207R1) LIB(QTEMP) DEV(*SAVF) +
                          OBJTYPE(*PGM) SAVF(&LIB/KV2207SV) +
                          TGTRLS(&TGTRLS)

/* THE SELF-TEST, WITH THE PROGRAMS AS THE INSTALLER HAS THEM: RESTORED  */
/* FROM THE SAVE FILE INTO QTEMP (THE COPIES WERE NEVER RESTORED, SO     */
/* THEY HAVE NO RESTORE TIME AND WOULD FAIL THEIR OWN CHECK).            */
             CHGVAR     VAR(&STEP) VALUE('SELF-TESTING: RESTORING INTO QTEMP')
             DLTPGM     PGM(QTEMP/KV2207C)
             DLTPGM     PGM(QTEMP/KV2207R1)
             RSTOBJ     OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) +
                          SAVF(&LIB/KV2207SV) MBROPT(*ALL) +
                          ALWOBJDIF(*ALL) RSTLIB(QTEMP)

/* 1. ITS OWN SAVE FILE AGAINST QTEMP: ANY ESCAPE MESSAGE FAILS THE      */
/* BUILD.                                                                */
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: OWN SAVE FILE MUST PASS')
             RTVJOBA    USER(&ME)
             CALL       PGM(QTEMP/KV2207C) PARM(&SAVFNAM &LIB &HERE &ME)

/* 2. AN EMPTY LIBRARY: ONLY CPF9898 IS THE RIGHT ANSWER. THE LIBRARY IS */
/* NEW: ONE OF THAT NAME THAT IS THERE ALREADY IS NOT OURS, AND STOPS    */
/* THE BUILD RATHER THAN BE DELETED.                                     */
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: CREATING LIBRARY KV2207E')
             CRTLIB     LIB(&EMPTY) TEXT('EMPTY LIBRARY OF THE HOST +
                          OBJECT SELF-TEST')
             CHGVAR     VAR(&EMPTYMADE) VALUE('1')
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: EMPTY LIBRARY MUST FAIL')
             CHGVAR     VAR(&REFUSED) VALUE('0')
             CALL       PGM(QTEMP/KV2207C) PARM(&SAVFNAM &LIB &EMPTY &ME)
             MONMSG     MSGID(CPF9898) EXEC(CHGVAR VAR(&REFUSED) +
                          VALUE('1'))
             IF         COND(*NOT &REFUSED) THEN(GOTO CMDLBL(FAIL))

/* 3. OBJECTS OLDER THAN THE SAVE FILE: A NEW SAVE FILE OF THE SAME      */
/* OBJECTS, MADE AFTER THEY WERE RESTORED, AGAINST THE SAME QTEMP. THAT  */
/* IS WHAT AN OBJECT IN USE DURING A RESTORE LEAVES: THE RIGHT NAME AND  */
/* TYPE, AN EARLIER RESTORE. ONLY CPF9898 IS THE RIGHT ANSWER. TIMES     */
/* COUNT IN SECONDS, HENCE THE DELAY.                                    */
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: CREATING QTEMP/KV2207N')
             DLYJOB     DLY(2)
             DLTF       FILE(QTEMP/KV2207N)
             MONMSG     MSGID(CPF2105)
             CRTSAVF    FILE(QTEMP/KV2207N)
             CHGVAR     VAR(&NEWERMADE) VALUE('1')
             SAVOBJ     OBJ(KV2207C KV2207R1) LIB(QTEMP) DEV(*SAVF) +
                          OBJTYPE(*PGM) SAVF(QTEMP/KV2207N)
             CHGVAR     VAR(&STEP) +
                          VALUE('SELF-TESTING: OLDER OBJECTS MUST FAIL')
             CHGVAR     VAR(&REFUSED) VALUE('0')
             CALL       PGM(QTEMP/KV2207C) PARM(&NEWER &HERE &HERE &ME)
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
             IF         COND(&NEWERMADE) THEN(DO)
             DLTF       FILE(QTEMP/KV2207N)
             MONMSG     MSGID(CPF0000)
             CHGVAR     VAR(&NEWERMADE) VALUE('0')
             ENDDO
             IF         COND(&FAILED) THEN(SNDPGMMSG MSGID(CPF9898) +
                          MSGF(QSYS/QCPFMSG) MSGDTA(&MSGDTA) +
                          MSGTYPE(*ESCAPE))
             SNDPGMMSG  MSGID(CPF9897) MSGF(QSYS/QCPFMSG) +
                          MSGDTA(&MSGDTA) MSGTYPE(*COMP)

             ENDPGM
