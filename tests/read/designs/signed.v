module signed_m(input signed [7:0] a, b, output signed [15:0] p, output lt);
  assign p = $signed(a) * $signed(b); assign lt = $signed(a) < $signed(b);
endmodule
