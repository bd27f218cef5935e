if(KO_TARGET STREQUAL "native")
  set(ko_timetext_peer_libs avutil)
endif()
ko_test(timetext SOURCES timetext_test.cpp
  POSIX_SOURCES timetext_ffmpeg_test.cpp LIBS ${ko_timetext_peer_libs})
