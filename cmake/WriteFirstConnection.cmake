# Writes cnns.dat with one entry for the sample database, only when the file does not exist yet.
if(EXISTS "${CNNS}")
    return()
endif()
string(ASCII 9 TAB)
file(WRITE "${CNNS}.new" "Sample bookshop (SQLite)${TAB}Provider=SQLite;Data Source=\"${DB}\"\r\n")
file(CHMOD "${CNNS}.new" PERMISSIONS OWNER_READ OWNER_WRITE)
file(RENAME "${CNNS}.new" "${CNNS}")
