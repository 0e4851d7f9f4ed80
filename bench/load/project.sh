# Shared by the load comparisons: a brunox project of one task and reading brunox -c's summary.
# Sourced, not run.

# write_project FILE CLIENTS EXECUTIONS CONNECTION_STRING SQL [STATEMENT_LOG [PROLOGUE]]: one task
# of CLIENTS threads, each running SQL EXECUTIONS times (run mode 3) without delays, reading all
# rows, on its own connection to CONNECTION_STRING; a statement log when STATEMENT_LOG is given.
write_project() {
  local file="$1" clients="$2" executions="$3" conn="$4" sql="$5" statements="${6:-}"
  local prologue="${7:-}" i
  {
    printf '[Package]\nDoType=3\nSeconds=0\nEachTasks=%s\nAllTasks=0\nAtLeast=0\n' "$executions"
    printf 'OpenReport=0\nShowPlan=0\nSQLFile=%s\nReportFile=\nReportTxtFile=\nReportIniFile=\n' \
      "$statements"
    printf 'Note=%s, %s clients x %s executions\nAuthor=bench/load\n' "$sql" "$clients" "$executions"
    printf 'CountersReport=\n'
    for i in 0 1 2 3 4; do
      printf 'PerfEnabled%d=0\nPerfMachine%d=\nPerfName%d=\nPerfTitle%d=\n' "$i" "$i" "$i" "$i"
    done
    printf 'pcIsReport=0\npcIsSQL=0\npcIsText=0\nIniReports=0\nTasks=1\n\n'
    printf '[Task0]\nName=load\nSQL=%s\nFile=\nSeparator=<tab>\nAllRows=1\nDelay=0\n' "$sql"
    printf 'DelayMax=0\nPriority=1\nSQLDelay=0\nRows=25\nThreads=%s\nExecCntr=0\nTDU=0\n' "$clients"
    printf 'isActive=1\nUseParser=0\nUseFileSQL=0\nsqlFile=\nDefConnect=1\nParamType=0\n'
    printf 'iStmtDelay=0\niStmtDelayMax=0\nAsTransaction=0\nResultsDirectory=\n'
    printf 'bSaveThreadResults=0\nTaskGroup=0\nSQLBefore=%s\nSQLAfter=\nParams=0\n\n' "$prologue"
    printf '[TaskCon0]\nKind=0\nDsn=\nUser=\nPassword=\nConnString=\nManualCommit=0\nDsType=0\n\n'
    printf '[DefConnection]\nKind=1\nDsn=\nUser=\nPassword=\nConnString=%s\nManualCommit=0\nDsType=0\n' \
      "$conn"
  } >"$file"
}

# summary_executions OUT / summary_seconds OUT: from brunox -c's line
# "Run finished in 0.9 s: 8 threads, 16000 executions (17777.7 per second), 0 failed rounds."
# The seconds are rounded to a tenth; executions / rate gives them to the rate's precision.
summary_executions() {
  sed -n 's/^Run finished in [0-9.]* s: [0-9]* threads, \([0-9]*\) executions.*/\1/p' "$1"
}
summary_seconds() {
  local executions rate
  executions="$(summary_executions "$1")"
  rate="$(sed -n 's/^Run finished in .*(\([0-9.]*\) per second).*/\1/p' "$1")"
  [[ -n "$executions" && -n "$rate" ]] || return 1
  awk -v n="$executions" -v r="$rate" 'BEGIN { printf "%.6f", n / r }'
}
