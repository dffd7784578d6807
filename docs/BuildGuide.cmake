# Turns the guide's Markdown into one HTML page with its pictures beside it, readable offline in any browser.
#   cmake -DCMARK=... -DSOURCE=docs/guide.md -DOUTPUT=build/guide/index.html -P BuildGuide.cmake
execute_process(COMMAND "${CMARK}" "${SOURCE}" OUTPUT_VARIABLE body
                COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(sourceFolder "${SOURCE}" DIRECTORY)
get_filename_component(outputFolder "${OUTPUT}" DIRECTORY)
file(READ "${sourceFolder}/guide-page.html" page)
string(REPLACE "@BODY@" "${body}" page "${page}")
file(MAKE_DIRECTORY "${outputFolder}")
file(WRITE "${OUTPUT}" "${page}")
file(GLOB pictures "${sourceFolder}/*.png")
file(COPY ${pictures} DESTINATION "${outputFolder}")
