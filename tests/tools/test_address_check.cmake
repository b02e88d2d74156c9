# The build's check of the built-in addresses against the app's own rules:
# cmake -DCHECK=<kestrove_address_check> -P test_address_check.cmake
# Each case is the verdict expected (0 accepted, 1 refused), the kind and the address.
set(cases
  "0|api|"
  "0|api|https://api.kestrove.example"
  "0|api|HTTPS://api.kestrove.example:8443/base/"
  "0|api|http://127.0.0.1:8080"
  "1|api|https://api.kestrove.example:65536"
  "1|api|https://api.kestrove.example/%zz"
  "1|api|https://api.kestrove.example/a|b"
  "1|api|https://api.kestrove.example/bücher"
  "1|api|http://api.kestrove.example"
  "1|api|ftp://api.kestrove.example"
  "0|feed|"
  "0|feed|https://kestrove.example/version.json"
  "0|feed|https://kestrove.example:444/version.json"
  "1|feed|https://kestrove.example:99999/version.json"
  "1|feed|https://kestrove.example/%zz/version.json"
  "1|feed|https://kestrove.example/version.json|"
  "1|feed|https://kestrove.example/version.json?ü"
  "1|feed|http://kestrove.example/version.json"
  "1|feed|https://kestrove.example/feed.json"
)
foreach(case IN LISTS cases)
  string(REGEX MATCH "^([01])\\|([a-z]+)\\|(.*)$" _ "${case}")
  set(expected ${CMAKE_MATCH_1})
  execute_process(COMMAND ${CHECK} ${CMAKE_MATCH_2} "${CMAKE_MATCH_3}" RESULT_VARIABLE verdict OUTPUT_QUIET ERROR_QUIET)
  if(NOT verdict STREQUAL expected)
    message(SEND_ERROR "${CMAKE_MATCH_2} \"${CMAKE_MATCH_3}\": expected ${expected}, got ${verdict}")
  endif()
endforeach()
