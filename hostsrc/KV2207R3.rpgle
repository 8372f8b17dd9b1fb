      * KV2207R3: IS EVERY OBJECT OF THE SAVE-FILE LIST ALSO IN THE LIST OF
      * THE TARGET LIBRARY'S OBJECTS?
      *
      * IN:  KV2207F1 (SAVE-FILE LIST), READ IN ARRIVAL ORDER, AND KV2207F2
      *      (THE LIBRARY'S OBJECTS), KEYED BY NAME AND TYPE.
      * PARAMETER: THE RESULT (OUT, 1): '1' WHEN THE SAVE-FILE LIST HAS AT
      *      LEAST ONE OBJECT AND EVERY ONE, BY NAME AND TYPE, IS IN
      *      KV2207F2; '0' OTHERWISE.
      *
      * AN EMPTY SAVE-FILE LIST PROVES NOTHING: IT MEANS THE LISTING COULD
      * NOT BE READ, SO IT COUNTS AS A FAILURE, NOT AS A MATCH.
      *
     FKV2207F1  IF   E             DISK    USROPN
     FKV2207F2  IF   E           K DISK    USROPN
     DPMATCH           S              1A
     DOBJCNT           S              9P 0
     DMISSING          S              9P 0
     DFAILED           S              1A
     C     *ENTRY        PLIST
     C                   PARM                    PMATCH
      * THE KEY OF KV2207F2: NAME AND TYPE OF THE SAVE-FILE LIST RECORD
     C     OBJKEY        KLIST
     C                   KFLD                    SVNAME
     C                   KFLD                    SVTYPE
      *
     C                   EVAL      PMATCH = '0'
     C                   EVAL      FAILED = '0'
     C                   EVAL      OBJCNT = 0
     C                   EVAL      MISSING = 0
     C                   OPEN(E)   KV2207F1
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ELSE
     C                   OPEN(E)   KV2207F2
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ELSE
     C                   EXSR      COMPARE
     C                   CLOSE(E)  KV2207F2
     C                   ENDIF
     C                   CLOSE(E)  KV2207F1
     C                   ENDIF
     C                   IF        FAILED = '0' AND OBJCNT > 0 AND MISSING = 0
     C                   EVAL      PMATCH = '1'
     C                   ENDIF
     C                   EVAL      *INLR = *ON
     C                   RETURN
      *
      * COMPARE: LOOK UP EACH SAVE-FILE OBJECT; THE FIRST MISSING ONE
      * DECIDES.
     C     COMPARE       BEGSR
     C                   READ(E)   KV2207F1
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ENDIF
     C                   DOW       FAILED = '0' AND NOT %EOF(KV2207F1) AND
     C                             MISSING = 0
     C                   EVAL      OBJCNT = OBJCNT + 1
     C     OBJKEY        CHAIN(E)  KV2207F2
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ELSE
     C                   IF        NOT %FOUND(KV2207F2)
     C                   EVAL      MISSING = MISSING + 1
     C                   ENDIF
     C                   ENDIF
     C                   IF        FAILED = '0'
     C                   READ(E)   KV2207F1
     C                   IF        %ERROR
     C                   EVAL      FAILED = '1'
     C                   ENDIF
     C                   ENDIF
     C                   ENDDO
     C                   ENDSR
      *
      * ANY OTHER ERROR ENDS THE PROGRAM WITH AN ESCAPE MESSAGE TO THE
      * CALLER INSTEAD OF AN INQUIRY, WHICH WOULD HOLD A SERVER JOB.
      * NOTHING HERE CAN FAIL IN TURN.
     C     *PSSR         BEGSR
     C                   ENDSR     '*CANCL'
