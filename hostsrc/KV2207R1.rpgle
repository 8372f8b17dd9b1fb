      * KV2207R1: HAS EVERY OBJECT OF A SAVE FILE BEEN RESTORED INTO A
      * LIBRARY SINCE A GIVEN TIME?
      *
      * PARAMETERS: THE SAVE FILE AND ITS LIBRARY (IN, 10 EACH); THE TARGET
      * LIBRARY (IN, 10); THE REFERENCE TIME, CYYMMDDHHMMSS (IN, 13); THE
      * RESULT (OUT, 1): '1' WHEN THE SAVE FILE LISTED AT LEAST ONE OBJECT
      * AND THE TARGET LIBRARY HOLDS EACH, BY NAME AND TYPE, RESTORED NOT
      * EARLIER THAN THE REFERENCE TIME; '0' OTHERWISE. WHY (OUT, 60): THE
      * FIRST REASON FOR A '0'.
      *
      * THE SAVE FILE'S OBJECTS COME FROM THE LIST SAVE FILE API QSRLSAVF
      * (FORMAT SAVF0200) IN THE USER SPACE QTEMP/KV2207S, READ WITH
      * QUSRTVUS. ENTRIES ARE STEPPED BY THE ENTRY SIZE THE LIST HEADER
      * GIVES, NEVER BY A SIZE OF OUR OWN: SAVF0200 GREW IN LATER RELEASES.
      * A PARTIAL LIST (STATUS P) IS FOLLOWED WITH THE CONTINUATION HANDLE
      * THE API RETURNED; AN INCOMPLETE ONE (I) OR ANY API ERROR FAILS. A
      * LIBRARY SAVE LISTS THE LIBRARY ITSELF AS *LIB: NO OBJECT OF IT.
      *
      * EACH OBJECT'S RESTORE TIME COMES FROM QUSROBJD (FORMAT OBJD0300).
      * AN OBJECT THAT WAS IN USE DURING THE RESTORE KEEPS ITS OLD VERSION
      * AND ITS OLD RESTORE TIME, SO NAME AND TYPE ALONE DO NOT PROVE THAT
      * IT ARRIVED. AN OBJECT WHOSE DESCRIPTION CANNOT BE READ FAILS TOO.
      *
      * EVERY API GETS AN ERROR CODE STRUCTURE, SO AN ERROR IS A RESULT AND
      * NOT AN ESCAPE MESSAGE. ANY OTHER ERROR ENDS THE PROGRAM THROUGH
      * *PSSR WITH AN ESCAPE MESSAGE TO THE CALLER, NEVER WITH AN INQUIRY.
      *
      * PARAMETERS
     DPSAVF            S             10A
     DPSVLIB           S             10A
     DPTGTLIB          S             10A
     DPREFTIM          S             13A
     DPRESULT          S              1A
     DPWHY             S             60A
      * QUALIFIED NAMES: OBJECT IN 1-10, LIBRARY IN 11-20
     DSPACE            S             20A   INZ('KV2207S   QTEMP')
     DSAVFQ            S             20A
     DOBJQ             S             20A
      * API INPUT
     DSPCATR           S             10A   INZ('KV2207')
     DSPCSIZ           S              9B 0 INZ(65536)
     DSPCINIT          S              1A   INZ(X'00')
     DSPCAUT           S             10A   INZ('*ALL')
     DSPCTXT           S             50A   INZ('KV2207R1 SAVE FILE LIST')
     DSPCRPL           S             10A   INZ('*YES')
     DFMTLST           S              8A   INZ('SAVF0200')
     DFMTOBJ           S              8A   INZ('OBJD0300')
     DALLNAM           S             10A   INZ('*ALL')
     DALLTYP           S             10A   INZ('*ALL')
      * THE CONTINUATION HANDLE PASSED TO QSRLSAVF: BLANK FOR THE FIRST
      * PART OF THE LIST, THEN THE ONE THE LAST PART RETURNED
     DHANDLE           S             36A
      * QUSRTVUS: STARTING POSITION (FROM 1) AND LENGTH; QUSROBJD: LENGTH
     DRTVPOS           S              9B 0
     DRTVLEN           S              9B 0
     DRCVLEN           S              9B 0
     DIDX              S              9B 0
     DLISTED           S              9P 0
     DMORE             S              1A
     DFAILED           S              1A
      * ERROR CODE (QUSEC): BYTES PROVIDED, BYTES AVAILABLE, MESSAGE ID
     DAPIERR           DS
     D ERPROV                  1      4B 0
     D ERAVAIL                 5      8B 0
     D ERMSGID                 9     15A
     D ERRSVD                 16     16A
      * GENERIC HEADER OF THE LIST IN THE USER SPACE (QUSGEN)
     DGENHDR           DS
     D GHSTAT                104    104A
     D GHHDROFS              117    120B 0
     D GHLSTOFS              125    128B 0
     D GHLSTCNT              133    136B 0
     D GHENTSZ               137    140B 0
      * HEADER SECTION OF QSRLSAVF (QSRLSAVF)
     DLSTHDR           DS
     D LHHANDLE               41     76A
      * ONE LIST ENTRY, FORMAT SAVF0200 (QSRLSAVF): ONLY WHAT IS USED
     DSVENT            DS
     D SVNAME                  1     10A
     D SVTYPE                 21     30A
      * THE DESCRIPTION OF ONE OBJECT, FORMAT OBJD0300 (QUSROBJD), UP TO
      * ITS RESTORE DATE AND TIME
     DOBJD             DS
     D ODBYTRTN                1      4B 0
     D ODNAME                  9     18A
     D ODTYPE                 29     38A
     D ODRSTDT               207    219A
     C     *ENTRY        PLIST
     C                   PARM                    PSAVF
     C                   PARM                    PSVLIB
     C                   PARM                    PTGTLIB
     C                   PARM                    PREFTIM
     C                   PARM                    PRESULT
     C                   PARM                    PWHY
      *
     C                   EVAL      PRESULT = '0'
     C                   EVAL      PWHY = *BLANKS
     C                   EVAL      FAILED = '0'
     C                   EVAL      LISTED = 0
      * NO REFERENCE TIME, NO PROOF
     C                   IF        PREFTIM = *BLANKS
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'NO CREATION TIME OF THE SAVE FILE'
     C                   ELSE
     C                   EVAL      SAVFQ = PSAVF + PSVLIB
     C                   EXSR      CRTSPC
     C                   IF        FAILED = '0'
     C                   EVAL      HANDLE = *BLANKS
     C                   EVAL      MORE = '1'
     C                   DOW       MORE = '1' AND FAILED = '0'
     C                   EXSR      LSTPART
     C                   ENDDO
     C                   EXSR      DLTSPC
     C                   ENDIF
     C                   ENDIF
      * A SAVE FILE FROM WHICH NO OBJECT WAS LISTED PROVES NOTHING
     C                   IF        FAILED = '0' AND LISTED = 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'THE SAVE FILE LISTED NO OBJECT'
     C                   ENDIF
     C                   IF        FAILED = '0'
     C                   EVAL      PRESULT = '1'
     C                   ENDIF
     C                   EVAL      *INLR = *ON
     C                   RETURN
      *
      * CRTSPC: THE USER SPACE THAT RECEIVES THE LIST, REPLACED IF THERE
     C     CRTSPC        BEGSR
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSCRTUS'
     C                   PARM                    SPACE
     C                   PARM                    SPCATR
     C                   PARM                    SPCSIZ
     C                   PARM                    SPCINIT
     C                   PARM                    SPCAUT
     C                   PARM                    SPCTXT
     C                   PARM                    SPCRPL
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QUSCRTUS ENDED WITH ' + ERMSGID
     C                   ENDIF
     C                   ENDSR
      *
      * LSTPART: ONE PART OF THE LIST, AND EVERY OBJECT OF IT CHECKED
     C     LSTPART       BEGSR
     C                   EVAL      ERPROV = 16
     C                   CALL      'QSRLSAVF'
     C                   PARM                    SPACE
     C                   PARM                    FMTLST
     C                   PARM                    SAVFQ
     C                   PARM                    ALLNAM
     C                   PARM                    ALLTYP
     C                   PARM                    HANDLE
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QSRLSAVF ENDED WITH ' + ERMSGID
     C                   ELSE
     C                   EVAL      RTVPOS = 1
     C                   EVAL      RTVLEN = 140
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSRTVUS'
     C                   PARM                    SPACE
     C                   PARM                    RTVPOS
     C                   PARM                    RTVLEN
     C                   PARM                    GENHDR
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QUSRTVUS ENDED WITH ' + ERMSGID
     C                   ENDIF
     C                   ENDIF
      * C: COMPLETE. P: PARTIAL, MORE TO COME WITH THE HANDLE. ANYTHING
      * ELSE (I: INCOMPLETE) PROVES NOTHING.
     C                   IF        FAILED = '0'
     C                   SELECT
     C                   WHEN      GHSTAT = 'C'
     C                   EVAL      MORE = '0'
     C                   WHEN      GHSTAT = 'P'
     C                   EVAL      MORE = '1'
     C                   OTHER
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QSRLSAVF LIST STATUS ' + GHSTAT
     C                   ENDSL
     C                   ENDIF
      * AN ENTRY SHORTER THAN THE FIELDS READ FROM IT IS NOT UNDERSTOOD
     C                   IF        FAILED = '0' AND GHLSTCNT > 0 AND
     C                             GHENTSZ < 30
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QSRLSAVF ENTRIES TOO SHORT'
     C                   ENDIF
     C                   EVAL      IDX = 0
     C                   DOW       FAILED = '0' AND IDX < GHLSTCNT
     C                   EVAL      RTVPOS = GHLSTOFS + IDX * GHENTSZ + 1
     C                   EVAL      RTVLEN = 30
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSRTVUS'
     C                   PARM                    SPACE
     C                   PARM                    RTVPOS
     C                   PARM                    RTVLEN
     C                   PARM                    SVENT
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QUSRTVUS ENDED WITH ' + ERMSGID
     C                   ELSE
     C                   IF        SVTYPE <> '*LIB'
     C                   EVAL      LISTED = LISTED + 1
     C                   EXSR      ARRIVED
     C                   ENDIF
     C                   ENDIF
     C                   EVAL      IDX = IDX + 1
     C                   ENDDO
      * THE NEXT PART STARTS WHERE THE HANDLE OF THIS ONE SAYS. A BLANK
      * HANDLE, OR THE SAME ONE AGAIN, WOULD NEVER END OR REPEAT A PART.
     C                   IF        FAILED = '0' AND MORE = '1'
     C                   EVAL      RTVPOS = GHHDROFS + 1
     C                   EVAL      RTVLEN = 76
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSRTVUS'
     C                   PARM                    SPACE
     C                   PARM                    RTVPOS
     C                   PARM                    RTVLEN
     C                   PARM                    LSTHDR
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0 OR LHHANDLE = *BLANKS OR
     C                             LHHANDLE = HANDLE
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = 'QSRLSAVF GAVE NO WAY TO CONTINUE'
     C                   ELSE
     C                   EVAL      HANDLE = LHHANDLE
     C                   ENDIF
     C                   ENDIF
     C                   ENDSR
      *
      * ARRIVED: THE OBJECT OF SVENT, BY NAME AND TYPE, IN THE TARGET
      * LIBRARY, RESTORED NOT EARLIER THAN THE REFERENCE TIME? THE TIMES
      * ARE CYYMMDDHHMMSS, WHICH COMPARE AS TEXT IN THE ORDER OF TIME; A
      * BLANK RESTORE TIME (NEVER RESTORED) IS NEVER IN TIME.
     C     ARRIVED       BEGSR
     C                   EVAL      OBJQ = SVNAME + PTGTLIB
     C                   EVAL      RCVLEN = 219
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSROBJD'
     C                   PARM                    OBJD
     C                   PARM                    RCVLEN
     C                   PARM                    FMTOBJ
     C                   PARM                    OBJQ
     C                   PARM                    SVTYPE
     C                   PARM                    APIERR
     C                   IF        ERAVAIL > 0
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = %TRIM(SVNAME) + ' ' + %TRIM(SVTYPE) +
     C                             ' NOT FOUND OR NOT READABLE: ' + ERMSGID
     C                   ELSE
     C                   IF        ODBYTRTN < 219 OR ODRSTDT = *BLANKS OR
     C                             ODRSTDT < PREFTIM
     C                   EVAL      FAILED = '1'
     C                   EVAL      PWHY = %TRIM(SVNAME) + ' ' + %TRIM(SVTYPE) +
     C                             ' NOT RESTORED BY THIS RESTORE'
     C                   ENDIF
     C                   ENDIF
     C                   ENDSR
      *
      * DLTSPC: THE USER SPACE IS NOT NEEDED AFTERWARDS. A FAILED DELETE
      * DOES NOT CHANGE THE RESULT: THE NEXT CALL REPLACES THE SPACE.
     C     DLTSPC        BEGSR
     C                   EVAL      ERPROV = 16
     C                   CALL      'QUSDLTUS'
     C                   PARM                    SPACE
     C                   PARM                    APIERR
     C                   ENDSR
      *
      * ANY OTHER ERROR ENDS THE PROGRAM WITH AN ESCAPE MESSAGE TO THE
      * CALLER INSTEAD OF AN INQUIRY, WHICH WOULD HOLD A SERVER JOB.
      * NOTHING HERE CAN FAIL IN TURN.
     C     *PSSR         BEGSR
     C                   ENDSR     '*CANCL'
