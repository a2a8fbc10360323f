#include "result_messages.h"

namespace varnix::messages {

std::string downloadMessage(int code, std::string_view portName) {
  switch (code) {
    case 0:
      return "Download is successful. Expand data Now.";
    case 1:
      return "Could not open \"" + std::string(portName) + "\". Please select correct COM port. ";
    case 2:
      return "The communications device's internal buffer size setting is not correct.";
    case 3:
      return "Could not set DCB for the COM port.";
    case 4:
      return "The communications device's time out setting is not correct.";
    case 5:
      return "Creating overlapped event failed.";
    case 6:
      return "Reading data from the COM port failed.";
    case 7:
      return "Time out. No data was downloaded. Be sure to tap STEP on the QTM to start data dump within 15 "
             "seconds after press 'START' button.";
    case 8:
      return "Could not change the file directory correctly. Move the file to the 'BadData' folder and stopped "
             "expanding data.";
    case 9:
      return "File 'VARNIX.CFG' could not be opened.";
    default:
      return {};
  }
}

std::string expandMessage(int code, std::string_view datPath) {
  switch (code) {
    case 1:
      return "Unable to open file " + std::string(datPath) + ", stopped expanding data ";
    case 2:
      return "Bad file header, stopped expanding data.";
    case 3:
      return "Bad flight header, stopped expanding data.";
    case 4:
      return "Bad record flag, stopped expanding data.";
    case 5:
      return "Bad record, stopped expanding data.";
    case 6:
      return "Data Expanding is successful. But couldn't find $E line, dump ended due to problem.";
    case 7:
      return "Couldn't open .TXT file.";
    case 8:
      return "Couldn't find '.' in " + std::string(datPath);
    case 9:
      return "Couldn't create the flight .CSV file, stopped expanding data.";
    default:
      return {};
  }
}

std::string userIdMessage(int code, std::string_view datPath) {
  switch (code) {
    case 1:
      return "Unable to open file " + std::string(datPath) + ".";
    case 2:
      return "The first line of " + std::string(datPath) + " is not a valid user id line.";
    default:
      return {};
  }
}

}  // namespace varnix::messages
