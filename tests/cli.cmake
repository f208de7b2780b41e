# The command-line tool's output formats.
morvane_test(cli_tests SOURCES CliOutputTest.cpp LIBS morvane_cli_output)
