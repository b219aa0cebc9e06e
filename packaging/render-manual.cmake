# Renders the manual (Markdown) into a stand-alone HTML page with the pictures beside it.
#   cmake -DCMARK=PROGRAM -DSOURCE=MANUAL.md -DTEMPLATE=manual.html.in -DOUTPUT=DIR/manual.html
#         [-DPICTURES=a.png;b.png] -P render-manual.cmake
# Without CMARK (the program was not found) the text is shown as it is, preformatted, so the
# link still leads to a readable manual.
cmake_minimum_required(VERSION 3.22)

get_filename_component(out_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")

if(CMARK)
    execute_process(COMMAND "${CMARK}" --to html "${SOURCE}"
        OUTPUT_VARIABLE QV_MANUAL_BODY RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cmark could not render ${SOURCE}")
    endif()
else()
    file(READ "${SOURCE}" text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(QV_MANUAL_BODY "<pre>${text}</pre>")
endif()

# A plain replacement: the manual's own text may contain anything, "@" included.
file(READ "${TEMPLATE}" page)
string(REPLACE "@QV_MANUAL_BODY@" "${QV_MANUAL_BODY}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
foreach(picture IN LISTS PICTURES)
    file(COPY "${picture}" DESTINATION "${out_dir}")
endforeach()
