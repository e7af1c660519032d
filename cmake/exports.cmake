# custor_export_table(LIST MAP DEF): from LIST (one exported name a line, '#' comments) writes the
# GNU ld version script MAP and the Windows module definition DEF, so that both show exactly the
# listed functions.
function(custor_export_table list map def)
  file(STRINGS ${list} lines REGEX "^[A-Za-z_]")
  set(map_text "/* Generated from ${list}: exactly these functions are visible. */\n{\n  global:\n")
  set(def_text "; Generated from ${list}: exactly these functions are exported, by name.\nEXPORTS\n")
  foreach(name IN LISTS lines)
    string(APPEND map_text "    ${name};\n")
    string(APPEND def_text "  ${name}\n")
  endforeach()
  string(APPEND map_text "  local:\n    *;\n};\n")
  file(CONFIGURE OUTPUT ${map} CONTENT "${map_text}")
  file(CONFIGURE OUTPUT ${def} CONTENT "${def_text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
endfunction()
