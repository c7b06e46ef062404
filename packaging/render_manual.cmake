# Renders the README and the pages of docs/ as the HTML manual that the help item opens, with
# the pictures beside them:
#     cmake -DCMARK=cmark -DSOURCE=<source root> -DOUTPUT=<folder> -P render_manual.cmake
# Links between the pages point at the rendered .html pages.

function(render markdown html title)
    execute_process(COMMAND ${CMARK} --to html ${markdown}
                    OUTPUT_VARIABLE body RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cmark could not render ${markdown}")
    endif()
    string(REGEX REPLACE "href=\"([^\":]*)\\.md\"" "href=\"\\1.html\"" body "${body}")
    file(WRITE ${html} "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<style>
body { max-width: 52em; margin: 2em auto; padding: 0 1em; font-family: sans-serif; line-height: 1.5; }
pre { background: #f3f3f3; padding: 0.6em; overflow-x: auto; }
img { max-width: 100%; }
h1, h2 { color: #53556c; }
</style>
</head>
<body>
${body}</body>
</html>
")
endfunction()

render(${SOURCE}/README.md ${OUTPUT}/manual.html "Site Wright")
file(GLOB pages ${SOURCE}/docs/*.md)
foreach(page IN LISTS pages)
    get_filename_component(name ${page} NAME_WE)
    render(${page} ${OUTPUT}/docs/${name}.html "Site Wright: ${name}")
endforeach()
file(GLOB pictures ${SOURCE}/docs/*.png ${SOURCE}/docs/*.dot)
file(COPY ${pictures} DESTINATION ${OUTPUT}/docs)
