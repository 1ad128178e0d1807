// TRI-1: a tristate driver, and a net with two drivers.
module tri1_tristate(input en, input [1:0] d, input a, input b, output t, output w);
  assign t = en ? d[0] : 1'bz;
  assign w = a & d[1];
  assign w = b | d[1];
endmodule
