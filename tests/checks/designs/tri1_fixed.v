// TRI-1 fixed: multiplexers instead of the tristate and the second driver.
module tri1_fixed(input en, input [1:0] d, input a, input b, output t, output w);
  assign t = en ? d[0] : 1'b0;
  assign w = en ? (a & d[1]) : (b | d[1]);
endmodule
