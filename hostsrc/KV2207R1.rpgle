      * KV2207R1: THE SAVE-FILE LIST, FROM THE PRINTED LISTING OF A SAVE
      * FILE.
      *
      * IN:  THE LISTING WORK FILE KV2207W, 136 BYTES A RECORD: DSPSAVF
      *      OUTPUT(*PRINT) COPIED BY CPYSPLF CTLCHAR(*PRTCTL), SO EVERY
      *      RECORD IS 4 BYTES OF PRINT CONTROL AND A 132-BYTE PRINT LINE.
      * OUT: KV2207F1, ONE RECORD PER OBJECT: NAME, TYPE, ATTRIBUTE.
      * PARAMETERS: THE RELEASE, VXRYMZ (IN, 6); THE SAVE FILE AND ITS
      *      LIBRARY (IN, 10 EACH); THE RESULT (OUT, 1): '1' WHEN THE
      *      WHOLE LISTING WAS READ AND WRITTEN, ITS HEADING NAMES THE SAVE
      *      FILE AND THE LIBRARY, AND EVERY OBJECT LINE HAD A KNOWN TYPE;
      *      '0' OTHERWISE.
      *
      * AN OBJECT LINE IS RECOGNISED BY ITS FIRST TWO WORDS, NOT BY FIXED
      * COLUMNS: A NAME, THEN AN OBJECT TYPE FROM THE TABLE AT THE END.
      * HEADINGS AND LABELS, WHICH ARE TRANSLATED ON NATIONAL-LANGUAGE
      * SYSTEMS, NEVER HAVE AN OBJECT TYPE AS THEIR SECOND WORD. ONLY THE
      * ATTRIBUTE IS FOUND BY ITS COLUMN: THE WORD THAT STARTS 8 TO 13
      * POSITIONS AFTER THE TYPE. IT IS KEPT FOR THE RECORD AND NOT USED IN
      * THE COMPARISON.
      *
      * THE HEADING IS WHAT COMES BEFORE THE FIRST OBJECT LINE. IT MUST
      * HOLD THE SAVE FILE'S NAME AND ITS LIBRARY'S AS WORDS: A LISTING
      * THAT DOES NOT NAME WHAT WAS ASKED FOR IS NOT SHOWN TO BE ITS
      * LISTING, AND PROVES NOTHING. AN OBJECT LINE OF A TYPE THE TABLE
      * DOES NOT KNOW FAILS THE READ: THAT OBJECT COULD NOT BE COMPARED.
      *
     FKV2207W   IF   F  136        DISK    USROPN
     FKV2207F1  O    E             DISK    USROPN
      * PARAMETERS
     DPRELEASE         S              6A
     DPSAVF            S             10A
     DPSVLIB           S             10A
     DPRESULT          S              1A
      * WHAT THE LISTING SHOWED: AN OBJECT LINE YET, AN UNKNOWN TYPE, THE
      * SAVE FILE'S NAME AND ITS LIBRARY'S IN THE HEADING
     DSEENOB           S              1A
     DBADTYP           S              1A
     DHAVSAV           S              1A
     DHAVLIB           S              1A
      * THE PRINT LINE, WITH ONE BLANK AFTER IT SO THAT A SCAN MAY
      * LOOK ONE POSITION PAST THE END
     DLINE             S            133A
      * THE WORD SCANNER: NEXT POSITION, START AND LENGTH OF A WORD
     DPOS              S              5P 0
     DTKBEG            S              5P 0
     DTKLEN            S              5P 0
      * THE OBJECT OF A LINE
     DNAMBEG           S              5P 0
     DNAMLEN           S              5P 0
     DTYPBEG           S              5P 0
     DTYPLEN           S              5P 0
     DNAMCHR           S              1A
     DTYPE7            S              7A
     DTYPE10           S             10A
     DTYPCHR           S              1A
     DUNKTYP           S              1A
      * THE HEADING: HASWRD LOOKS FOR WANTED AMONG THE WORDS OF A LINE
     DWANTED           S             10A
     DWORD             S             10A
     DHASIT            S              1A
     DISOBJ            S              1A
     DOBJNAM           S             10A
     DOBJTYP           S             10A
     DFAILED           S              1A
      * EVERY OBJECT TYPE A LIBRARY CAN HOLD (THE TABLE AT THE END)
     DTYPES            S              7A   DIM(92) CTDATA PERRCD(10)
      * THE ATTRIBUTE WINDOW, SET BY LAYOUT
     DATTMIN           S              5P 0
     DATTMAX           S              5P 0
     DOBJATR           S             10A
     IKV2207W   NS
     I                                  1  136  LISTREC
     C     *ENTRY        PLIST
     C                   PARM                    PRELEASE
     C                   PARM                    PSAVF
     C                   PARM                    PSVLIB
     C                   PARM                    PRESULT
      *
     C                   EVAL      PRESULT = '0'
     C                   EXSR      LAYOUT
     C                   OPEN(E)   KV2207W
     C                   IF        NOT %ERROR
     C                   OPEN(E)   KV2207F1
     C                   IF        NOT %ERROR
     C                   EXSR      READALL
     C                   CLOSE(E)  KV2207F1
     C                   IF        %ERROR
     C                   EVAL      PRESULT = '0'
     C                   ENDIF
     C                   ENDIF
     C                   CLOSE(E)  KV2207W
     C                   ENDIF
     C                   EVAL      *INLR = *ON
     C                   RETURN
      *
      * LAYOUT: WHERE THE ATTRIBUTE STARTS, COUNTED FROM THE TYPE. THE
      * LISTINGS PRINT IT 10 POSITIONS AFTER THE TYPE; THE WINDOW ALLOWS
      * FOR A TYPE COLUMN UP TO 2 NARROWER OR 3 WIDER. PRELEASE IS THE KEY
      * FOR A RELEASE THAT PRINTS IT ELSEWHERE; NONE IS KNOWN TO, SO EVERY
      * RELEASE GETS THIS WINDOW.
     C     LAYOUT        BEGSR
     C                   EVAL      ATTMIN = 8
     C                   EVAL      ATTMAX = 13
     C                   ENDSR
      *
      * EVERY RECORD OF THE LISTING; ONE RECORD WRITTEN PER OBJECT LINE.
      * THE RESULT IS 1 ONLY WHEN THE END OF THE LISTING WAS REACHED
      * WITHOUT A READ OR WRITE ERROR, THE HEADING NAMED BOTH NAMES, AND
      * NO LINE HAD AN UNKNOWN TYPE.
     C     READALL       BEGSR
     C                   EVAL      FAILED = '0'
     C                   EVAL      SEENOB = '0'
     C                   EVAL      BADTYP = '0'
     C                   EVAL      HAVSAV = '0'
     C                   EVAL      HAVLIB = '0'
     C                   READ(E)   KV2207W
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ENDIF
     C                   DOW       FAILED = '0' AND NOT %EOF(KV2207W)
     C                   EVAL      LINE = %SUBST(LISTREC:5:132)
     C                   EXSR      PARSE
     C                   IF        UNKTYP = '1'
     C                   EVAL      BADTYP = '1'
     C                   ENDIF
     C                   IF        ISOBJ = '0' AND SEENOB = '0'
     C                   EXSR      HEADNG
     C                   ENDIF
     C                   IF        ISOBJ = '1'
     C                   EVAL      SEENOB = '1'
     C                   EVAL      SVNAME = OBJNAM
     C                   EVAL      SVTYPE = OBJTYP
     C                   EVAL      SVATTR = OBJATR
     C                   WRITE(E)  KV2207F1R
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ENDIF
     C                   ENDIF
     C                   IF        FAILED = '0'
     C                   READ(E)   KV2207W
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ENDIF
     C                   ENDIF
     C                   ENDDO
     C                   IF        FAILED = '0' AND BADTYP = '0' AND
     C                             HAVSAV = '1' AND HAVLIB = '1'
     C                   EVAL      PRESULT = '1'
     C                   ENDIF
     C                   ENDSR
      *
      * HEADNG: DOES THIS HEADING LINE NAME THE SAVE FILE, ITS LIBRARY?
     C     HEADNG        BEGSR
     C                   EVAL      WANTED = PSAVF
     C                   EXSR      HASWRD
     C                   IF        HASIT = '1'
     C                   EVAL      HAVSAV = '1'
     C                   ENDIF
     C                   EVAL      WANTED = PSVLIB
     C                   EXSR      HASWRD
     C                   IF        HASIT = '1'
     C                   EVAL      HAVLIB = '1'
     C                   ENDIF
     C                   ENDSR
      *
      * PARSE: THE OBJECT OF LINE, WITH ITS ATTRIBUTE WHEN THERE IS ONE.
     C     PARSE         BEGSR
     C                   EXSR      OBJLIN
     C                   EVAL      OBJATR = *BLANKS
     C                   IF        ISOBJ = '1'
     C                   EXSR      NEXTTK
     C                   IF        TKLEN >= 1 AND TKLEN <= 10 AND
     C                             TKBEG - TYPBEG >= ATTMIN AND
     C                             TKBEG - TYPBEG <= ATTMAX
     C                   EVAL      OBJATR = %SUBST(LINE:TKBEG:TKLEN)
     C                   ENDIF
     C                   ENDIF
     C                   ENDSR
      *
      * --- SHARED WITH THE OTHER LISTING READER: KEEP THE TWO IDENTICAL ---
      * OBJLIN: IS LINE AN OBJECT LINE? A NAME OF 1 TO 10 CHARACTERS,
      * THEN AN OBJECT TYPE FROM THE TABLE. SETS ISOBJ, OBJNAM, OBJTYP
      * AND TYPBEG, AND LEAVES POS AFTER THE TYPE.
      * A LINE OF THAT SHAPE WHOSE SECOND WORD LOOKS LIKE A TYPE (AN
      * ASTERISK AND 1 TO 9 MORE CHARACTERS) BUT IS NOT IN THE TABLE SETS
      * UNKTYP INSTEAD: AN OBJECT OF A TYPE THE TABLE DOES NOT KNOW (ONE
      * A LATER RELEASE ADDS, OR ONE IT FORGOT) WOULD OTHERWISE NEVER BE
      * COMPARED, AND A LIBRARY THAT LACKS IT WOULD PASS.
      * *LIB IS THE ONE TYPE LEFT OUT ON PURPOSE, AND NOT UNKNOWN: A
      * LIBRARY SAVE LISTS THE SAVED LIBRARY ITSELF, WHICH IS NO OBJECT
      * OF IT AND NEVER INSIDE THE TARGET LIBRARY.
     C     OBJLIN        BEGSR
     C                   EVAL      ISOBJ = '0'
     C                   EVAL      UNKTYP = '0'
     C                   EVAL      OBJNAM = *BLANKS
     C                   EVAL      OBJTYP = *BLANKS
     C                   EVAL      POS = 1
     C                   EXSR      NEXTTK
     C                   EVAL      NAMBEG = TKBEG
     C                   EVAL      NAMLEN = TKLEN
     C                   EXSR      NEXTTK
     C                   EVAL      TYPBEG = TKBEG
     C                   EVAL      TYPLEN = TKLEN
     C                   IF        NAMLEN >= 1 AND NAMLEN <= 10 AND
     C                             TYPLEN >= 2 AND TYPLEN <= 10
     C                   EVAL      NAMCHR = %SUBST(LINE:NAMBEG:1)
     C                   EVAL      TYPCHR = %SUBST(LINE:TYPBEG:1)
     C                   IF        TYPCHR = '*' AND NAMCHR <> '*' AND
     C                             NAMCHR <> '.'
     C                   EVAL      TYPE10 = %SUBST(LINE:TYPBEG:TYPLEN)
     C                   EVAL      *IN50 = *OFF
     C                   IF        TYPLEN <= 7
     C                   EVAL      TYPE7 = %SUBST(LINE:TYPBEG:TYPLEN)
     C     TYPE7         LOOKUP    TYPES                                  50
     C                   ENDIF
     C                   IF        *IN50
     C                   EVAL      ISOBJ = '1'
     C                   EVAL      OBJNAM = %SUBST(LINE:NAMBEG:NAMLEN)
     C                   EVAL      OBJTYP = TYPE7
     C                   ELSE
     C                   IF        TYPE10 <> '*LIB'
     C                   EVAL      UNKTYP = '1'
     C                   ENDIF
     C                   ENDIF
     C                   ENDIF
     C                   ENDIF
     C                   ENDSR
      *
      * HASWRD: IS WANTED ONE OF THE WORDS OF LINE? SETS HASIT.
     C     HASWRD        BEGSR
     C                   EVAL      HASIT = '0'
     C                   EVAL      POS = 1
     C                   EXSR      NEXTTK
     C                   DOW       TKLEN > 0 AND HASIT = '0'
     C                   IF        TKLEN <= 10
     C                   EVAL      WORD = %SUBST(LINE:TKBEG:TKLEN)
     C                   IF        WORD = WANTED
     C                   EVAL      HASIT = '1'
     C                   ENDIF
     C                   ENDIF
     C                   EXSR      NEXTTK
     C                   ENDDO
     C                   ENDSR
      *
      * NEXTTK: THE NEXT WORD OF LINE FROM POS ON. TKLEN IS 0 WHEN THERE
      * IS NONE. POSITION 133 IS ALWAYS BLANK, SO BOTH LOOPS STOP THERE
      * AT THE LATEST AND NO SUBSTRING GOES PAST THE END.
     C     NEXTTK        BEGSR
     C                   DOW       POS <= 132 AND %SUBST(LINE:POS:1) = ' '
     C                   EVAL      POS = POS + 1
     C                   ENDDO
     C                   EVAL      TKBEG = POS
     C                   DOW       POS <= 132 AND %SUBST(LINE:POS:1) <> ' '
     C                   EVAL      POS = POS + 1
     C                   ENDDO
     C                   EVAL      TKLEN = POS - TKBEG
     C                   ENDSR
      * --- END OF THE SHARED PART ---
      *
      * ANY OTHER ERROR ENDS THE PROGRAM WITH AN ESCAPE MESSAGE TO THE
      * CALLER INSTEAD OF AN INQUIRY, WHICH WOULD HOLD A SERVER JOB.
      * NOTHING HERE CAN FAIL IN TURN.
     C     *PSSR         BEGSR
     C                   ENDSR     '*CANCL'
**CTDATA TYPES
*ALRTBL*AUTL  *BNDDIR*CFGL  *CHTFMT*CLD   *CLS   *CMD   *CNNL  *COSD
*CRG   *CRQD  *CSI   *CSPMAP*CSPTBL*CTLD  *DEVD  *DOC   *DTAARA*DTADCT
*DTAQ  *EDTD  *EXITRG*FCT   *FILE  *FLR   *FNTRSC*FNTTBL*FORMDF*FTR
*GSS   *IGCDCT*IGCSRT*IGCTBL*IMGCLG*IPXD  *JOBD  *JOBQ  *JOBSCD*JRN
*JRNRCV*LIND  *LOCALE*MEDDFN*MENU  *MGTCOL*MODD  *MODULE*MSGF  *MSGQ
*M36   *M36CFG*NODGRP*NODL  *NTBD  *NWID  *NWSCFG*NWSD  *OUTQ  *OVL
*PAGDFN*PAGSEG*PDFMAP*PDG   *PGM   *PNLGRP*PRDAVL*PRDDFN*PRDLOD*PSFCFG
*QMFORM*QMQRY *QRYDFN*RCT   *SBSD  *SCHIDX*SPADCT*SQLPKG*SQLUDT*SQLXSR
*SRVPGM*SSND  *SVRSTG*S36   *TBL   *TIMZON*USRIDX*USRPRF*USRQ  *USRSPC
*VLDL  *WSCST
