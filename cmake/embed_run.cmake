file(READ "${IN}" hex HEX)
# Every byte as an escape: numeric escapes are taken as they stand, whatever
# the execution character set.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" bytes "${hex}")
file(WRITE "${OUT}" "extern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = \"${bytes}\";\n")
