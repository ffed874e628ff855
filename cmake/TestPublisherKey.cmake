# A test publisher key pair for the tests, the scenarios and the demo, made once per build folder and never part of
# the source tree: build/<preset>/test-publisher/publisher.key (the secret seed, Base64, readable by the owner only)
# and publisher.pub (the public key, Base64, the form SL_UPDATE_PUBLIC_KEY takes). Made with the system's openssl,
# whose Ed25519 keys are the same as libsodium's (the seed is the secret key), so that configuring needs no program
# of ours built first. Sets SL_TEST_PUBLISHER_KEY (the public key) and SL_TEST_PUBLISHER_DIR.
set(SL_TEST_PUBLISHER_DIR ${CMAKE_BINARY_DIR}/test-publisher)
if(NOT EXISTS ${SL_TEST_PUBLISHER_DIR}/publisher.pub)
  find_program(SL_OPENSSL openssl REQUIRED)
  file(MAKE_DIRECTORY ${SL_TEST_PUBLISHER_DIR})
  # A PKCS#8 Ed25519 key in DER ends with the 32-byte seed, its public key in DER with the 32 key bytes.
  execute_process(
    COMMAND sh -c "umask 077 && '${SL_OPENSSL}' genpkey -algorithm ed25519 -outform DER -out key.der \
&& tail -c 32 key.der | '${SL_OPENSSL}' base64 -A >publisher.key \
&& '${SL_OPENSSL}' pkey -inform DER -in key.der -pubout -outform DER | tail -c 32 | '${SL_OPENSSL}' base64 -A >publisher.pub.new \
&& rm -f key.der && chmod 644 publisher.pub.new && mv publisher.pub.new publisher.pub"
    WORKING_DIRECTORY ${SL_TEST_PUBLISHER_DIR} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make the test publisher key pair: ${err}")
  endif()
endif()
file(READ ${SL_TEST_PUBLISHER_DIR}/publisher.pub SL_TEST_PUBLISHER_KEY)
string(STRIP "${SL_TEST_PUBLISHER_KEY}" SL_TEST_PUBLISHER_KEY)
