# Sourced: a run's report as the tests and the demonstration read it.
# report_named_in TEXT gives the report that a summary box named
# ("Rapport : Z:\..."), as a Unix path; report_detections REPORT prints its
# detection lines (its only lines with tabs) in UTF-8.
report_named_in() {
  local named
  named=$(sed -n 's/^Rapport : Z://p' <<<"$1" | tr -d '\r')
  [ -n "$named" ] && echo "${named//\\//}"
}
report_detections() { grep -a $'\t' "$1" | iconv -f CP1252 -t UTF-8 | tr -d '\r'; }
